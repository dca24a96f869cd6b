#pragma once

#include <QString>

namespace tlv::common {

// Text of a PCD run status as the viewer shows it: 2 "Run", 99 "Demo", ...,
// "Bad Status" for a number without a text of its own.
[[nodiscard]] QString pcdStatusText(qint32 status);

} // namespace tlv::common
