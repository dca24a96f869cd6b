#include "viewer/core/MediaText.h"

using namespace Qt::StringLiterals;

namespace tlv::viewer {

namespace {
QString mediaPrefix(quint32 code)
{
    switch (code) {
    case 3:
        return u"F "_s;
    case 5:
        return u"R "_s;
    case 18:
        return u"C "_s;
    case 19:
        return u"T "_s;
    case 20:
        return u"I "_s;
    case 21:
        return u"O "_s;
    default:
        return {};
    }
}
} // namespace

std::optional<QString> mediaText(qint64 value)
{
    const auto u = static_cast<quint32>(value);
    const quint32 address = u & 0xFFFFu;
    if (address > 32767)
        return std::nullopt;
    return mediaPrefix((u >> 16) & 0xFFu) + QString::number(address);
}

QString mediaTextErrorMessage()
{
    return u"Error in ReadMedia function."_s + QLatin1Char('\n') + u"Overflow"_s;
}

QString mediaAddressText(qint64 value)
{
    const auto address = static_cast<quint32>(value) & 0xFFFFu;
    return address > 32767 ? QString() : QString::number(address);
}

} // namespace tlv::viewer
