#include "MediaText.h"

namespace tlv::viewer {

std::optional<QString> MediaText::render(qint64 value, QString *error)
{
    const auto u = static_cast<quint32>(value);
    const quint32 media = (u >> 16) & 0xFF;
    const quint32 address = u & 0xFFFF;
    // Addresses are signed 16-bit on the PCD side.
    if (address > 32767) {
        if (error)
            *error = QStringLiteral("Address %1 is out of range (0 to 32767).").arg(address);
        return std::nullopt;
    }
    QString prefix;
    switch (media) {
    case 3:
        prefix = QStringLiteral("F ");
        break;
    case 5:
        prefix = QStringLiteral("R ");
        break;
    case 18:
        prefix = QStringLiteral("C ");
        break;
    case 19:
        prefix = QStringLiteral("T ");
        break;
    case 20:
        prefix = QStringLiteral("I ");
        break;
    case 21:
        prefix = QStringLiteral("O ");
        break;
    default:
        break;
    }
    return prefix + QString::number(address);
}

} // namespace tlv::viewer
