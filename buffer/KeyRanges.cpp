#include "buffer/KeyRanges.h"

#include "buffer/BufferStore.h"
#include "buffer/LayoutValidation.h"

namespace tlv::buffer {

namespace {

// clang-format off
constexpr KeyRange Ranges[] = {
    { u"Tolvane",     u"UserBuffer",     0, 2 },
    // The settings page's limits; ReadInterval in milliseconds.
    { u"CONNECTION",  u"AutoConnect",    0, 1 },
    { u"CONNECTION",  u"StartReg",       0, 16383 },
    { u"CONNECTION",  u"ReadInterval",   100, 60000 },
    { u"CONNECTION",  u"MaxRows",        20, 5000 },
    { u"CONNECTION",  u"MaxGraph",       20, 1000 },
    { u"CONNECTION",  u"AutoExport",     0, 1 },
    { u"CONNECTION",  u"IndexFile",      0, 2 },
    { u"CONNECTION",  u"Journal",        0, 1 },
    // The editor's limits, which are also what the PCD library takes.
    { u"USER_BUFFER", u"HeaderType",     1, 1 },
    { u"USER_BUFFER", u"RecordInterval", 0, BufferStore::MaxRecordInterval },
    { u"USER_BUFFER", u"RecordChange",   0, 1 },
    { u"USER_BUFFER", u"RecordMemory",   0, 1 },
    { u"USER_BUFFER", u"RecordLenght",   1, LayoutValidation::MaxRecordLength },
    { u"USER_BUFFER", u"RecordNumber",   BufferStore::MinRecords, BufferStore::MaxRecords },
    { u"USER_BUFFER", u"Column",         0, LayoutValidation::MaxColumns },
    // A column line: place in record, data position, change delta.
    { u"Column",      u"field 1",        0, LayoutValidation::MaxRecordLength - 1 },
    { u"Column",      u"field 3",        0, 31 },
    { u"Column",      u"field 8",        0, 16383 },
};
// clang-format on

} // namespace

QString KeyRange::text() const
{
    return QString::number(low) + QStringLiteral(" to ") + QString::number(high);
}

const KeyRange *KeyRange::find(QStringView section, QStringView key)
{
    for (const KeyRange &r : Ranges) {
        if (section.compare(QStringView(r.section), Qt::CaseInsensitive) == 0
            && key.compare(QStringView(r.key), Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

const KeyRange &KeyRange::of(QStringView section, QStringView key)
{
    const KeyRange *r = find(section, key);
    Q_ASSERT(r);
    return r ? *r : Ranges[0];
}

} // namespace tlv::buffer
