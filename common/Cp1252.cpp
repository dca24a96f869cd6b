#include "common/Cp1252.h"

#include <array>

namespace tlv::common {

namespace {

// 0x80..0x9F; the five holes keep their C1 code so every byte survives a round trip.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

} // namespace

char cp1252Byte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == u)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

char16_t cp1252Char(unsigned char b)
{
    return (b >= 0x80 && b < 0xA0) ? HighControls[b - 0x80] : char16_t(b);
}

QString fromCp1252(const QByteArray &bytes)
{
    QString text;
    text.resize(bytes.size());
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(cp1252Char(b));
    }
    return text;
}

QString firstNonCp1252(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() || c.isLowSurrogate())
            return text.mid(i, i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1);
        if (c != u'?' && cp1252Byte(c.unicode()) == '?')
            return QString(c);
    }
    return {};
}

QString nonCp1252Message(const QString &character)
{
    return QStringLiteral("Invalid character \"") + character
        + QStringLiteral("\" : the project file holds Windows-1252 text only !");
}

QByteArray toCp1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A surrogate pair is one character: one '?' for it.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        bytes.append(cp1252Byte(c.unicode()));
    }
    return bytes;
}

} // namespace tlv::common
