#pragma once

#include <QtGlobal>

namespace tlv::buffer {

// The kind of trace buffer a project uses, stored as "UserBuffer".
namespace BufferType {
constexpr qint16 Cancelled = -1; // only while the type dialog was cancelled
constexpr qint16 Standard = 0;
constexpr qint16 Configured = 1;
constexpr qint16 PublicEvents = 2;
} // namespace BufferType

} // namespace tlv::buffer
