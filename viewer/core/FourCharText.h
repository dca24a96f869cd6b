#pragma once

#include <QString>

namespace tlv::viewer {

// Text of a header word that carries four 8-bit characters, most significant
// byte first ("TLV1" is 0x544C5631). A zero byte ends the text, so a key with
// a NUL in it comes out shorter than four characters.
[[nodiscard]] QString fourCharText(qint32 word);

} // namespace tlv::viewer
