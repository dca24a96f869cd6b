#pragma once

#include <QString>

#include <optional>

namespace tlv::viewer {

// PCD address of a 32-bit value (bits 16-23 media code, bits 0-15 address)
// as text, e.g. "R 100"; nullopt when the address passes 32767.
[[nodiscard]] std::optional<QString> mediaText(qint64 value);
// The message shown when a media text cannot be made.
[[nodiscard]] QString mediaTextErrorMessage();
// The address part of a media text, without its media prefix.
[[nodiscard]] QString mediaAddressText(qint64 value);

} // namespace tlv::viewer
