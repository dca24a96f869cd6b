#include "buffer/LayoutValidation.h"

#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"

namespace tlv::buffer {

namespace {

// Positions a data type has in one 32-bit place; -1 = unknown type. The viewer
// refuses a buffer with any other position, so one is never compiled.
int positionLimit(const QString &dataType)
{
    if (dataType == u"Long")
        return 1;
    if (dataType == u"Word")
        return 2;
    if (dataType == u"Byte")
        return 4;
    if (dataType == u"Nible")
        return 8;
    if (dataType == u"Bit")
        return 32;
    return -1;
}

} // namespace

LayoutValidation::Result LayoutValidation::validate(UserColumns &buffer, const cFormats &formats)
{
    Result r;
    int length = 0;
    for (int i = 1; i <= buffer.count(); ++i) {
        const UserColumn &c = *buffer.item(i);
        // A place before the record would make the PCD write into the neighbouring
        // record or the header, and the viewer refuses such a column anyway.
        if (c.RecPlace < 0) {
            r.message = QStringLiteral("Invalid Place in Record in column ") + QString::number(i);
            r.row = i;
            r.gridColumn = PlaceGridColumn;
            return r;
        }
        length = qMax(length, int(c.RecPlace) + 1);
        const int limit = positionLimit(c.DataType);
        if (limit < 0) {
            r.message = QStringLiteral("Invalid Data Type in column ") + QString::number(i);
            r.row = i;
            r.gridColumn = DataTypeGridColumn;
            return r;
        }
        if (c.DataPos < 0 || c.DataPos >= limit) {
            r.message
                = QStringLiteral("Incompatible Data Position in column ") + QString::number(i);
            r.row = i;
            r.gridColumn = DataPositionGridColumn;
            return r;
        }
        const ColFormat *format = formats.item(c.Format);
        if (!format || !format->allows(c.DataType)) {
            r.message = QStringLiteral("Incompatible Data Format in column ") + QString::number(i);
            r.row = i;
            r.gridColumn = FormatGridColumn;
            return r;
        }
    }
    // The viewer holds at most MaxColumns columns and refuses a larger buffer.
    if (buffer.count() > MaxColumns) {
        r.message
            = QStringLiteral("Number of columns out of value > ") + QString::number(MaxColumns);
        return r;
    }
    if (length > MaxRecordLength) {
        r.message
            = QStringLiteral("Record Length out of value > ") + QString::number(MaxRecordLength);
        return r;
    }
    r.ok = true;
    r.recordLength = qint16(length);
    buffer.setRecordLen(r.recordLength);
    return r;
}

} // namespace tlv::buffer
