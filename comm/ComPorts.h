#pragma once

#include <QString>

namespace tlv::comm {

// The device behind COM port n: section "Ports", key "COMn" of Settings.ini in
// the common data folder when it is there, else /dev/ttyS(n-1).
[[nodiscard]] QString comPortDevice(int com);
// "COM3" (any case) -> its device; any other text is returned unchanged.
[[nodiscard]] QString resolveComName(const QString &device);

} // namespace tlv::comm
