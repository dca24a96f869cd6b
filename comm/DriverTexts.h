#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace tlv::comm {

// The texts of both drivers' result codes.
namespace DriverTexts {

// Text of a code of the maker's driver (status and read codes arrive with
// 100 added); "Unknow error : <code>" for a code without a row.
[[nodiscard]] QString varnokText(qint32 code);
// Name of a SCOMM code, with its leading blank; nothing for a code without a row.
[[nodiscard]] std::optional<QString> scommName(qint32 code);

} // namespace DriverTexts
} // namespace tlv::comm
