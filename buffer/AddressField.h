#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace tlv::buffer {

// Checks one PCD address field and brings it to its canonical form: a bare
// number gets the first allowed type letter ("12" -> "F 12" for "FIO"), a
// typed address gets an upper-case letter ("r 5" -> "R 5"), a symbol stays as
// it is. Registers go to 16383, flags, inputs and outputs to 8191. Empty
// result = rejected.
[[nodiscard]] std::optional<QString> normaliseAddress(const QString &text, QStringView allowed);

// The register number of a buffer's start address ("R 4000", "DB 12", "4000"):
// the number after the type letters; nullopt when it is no 16-bit number of 0 or more.
[[nodiscard]] std::optional<qint16> startRegisterNumber(const QString &startReg);

} // namespace tlv::buffer
