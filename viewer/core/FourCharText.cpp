#include "viewer/core/FourCharText.h"

#include "common/Cp1252.h"

#include <QByteArray>

namespace tlv::viewer {

QString fourCharText(qint32 word)
{
    const auto u = static_cast<quint32>(word);
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((u >> shift) & 0xFFu);
        if (c == '\0')
            break;
        bytes.append(c);
    }
    return common::fromCp1252(bytes);
}

} // namespace tlv::viewer
