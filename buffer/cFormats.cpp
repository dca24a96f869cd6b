#include "buffer/cFormats.h"

namespace tlv::buffer {

bool ColFormat::allows(const QString &dataType) const
{
    if (dataType == u"Bit")
        return BitUsed;
    if (dataType == u"Nible")
        return NibleUsed;
    if (dataType == u"Byte")
        return ByteUsed;
    if (dataType == u"Word")
        return WordUsed;
    if (dataType == u"Long")
        return LongUsed;
    return false;
}

cFormats cFormats::standard()
{
    struct Row
    {
        const char16_t *key;
        const char16_t *description;
        bool bit, nible, byte, word, lng;
    };
    static const Row rows[] = {
        { u"%d", u"Decimal", true, true, true, true, true },
        { u"%1d", u"Decimal 1", false, false, true, true, true },
        { u"%2d", u"Decimal 2", false, false, true, true, true },
        { u"%3d", u"Decimal 3", false, false, true, true, true },
        { u"%sd", u"Dec. sign", false, false, false, true, true },
        { u"%1sd", u"Dec. sign 1", false, false, false, true, true },
        { u"%2sd", u"Dec. sign 2", false, false, false, true, true },
        { u"%3sd", u"Dec. sign 3", false, false, false, true, true },
        { u"%h", u"Hexa", false, true, true, true, true },
        { u"%a", u"ASCII", false, false, true, true, true },
        { u"%b", u"Binary", true, true, true, true, true },
        { u"%t", u"Time", false, false, false, false, true },
        { u"%m", u"Milisecond", false, false, false, true, true },
        { u"%F", u"Text List", true, true, true, true, true },
    };
    cFormats table;
    for (const Row &r : rows)
        table.add(QString::fromUtf16(r.key), QString::fromUtf16(r.description), r.bit, r.nible,
            r.byte, r.word, r.lng);
    return table;
}

ColFormat *cFormats::add(const QString &sKey, const QString &sDescription, bool BitUsed,
    bool NibleUsed, bool ByteUsed, bool WordUsed, bool LongUsed)
{
    if (item(sKey))
        return nullptr;
    m_formats.append(
        ColFormat { sKey, sDescription, BitUsed, NibleUsed, ByteUsed, WordUsed, LongUsed });
    return &m_formats.last();
}

const ColFormat *cFormats::item(int position) const
{
    if (position < 1 || position > m_formats.size())
        return nullptr;
    return &m_formats.at(position - 1);
}

const ColFormat *cFormats::item(const QString &key) const
{
    for (const ColFormat &f : m_formats) {
        if (f.Key == key)
            return &f;
    }
    return nullptr;
}

bool cFormats::remove(int position)
{
    if (position < 1 || position > m_formats.size())
        return false;
    m_formats.removeAt(position - 1);
    return true;
}

bool cFormats::remove(const QString &key)
{
    for (qsizetype i = 0; i < m_formats.size(); ++i) {
        if (m_formats.at(i).Key == key) {
            m_formats.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace tlv::buffer
