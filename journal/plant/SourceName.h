#pragma once

#include <QString>

namespace tlv::plant {

// A source names one recorder's PCD in the plant database: any text of 1 to 200
// characters without control characters.
[[nodiscard]] bool sourceNameOk(const QString &name, QString *why);

} // namespace tlv::plant
