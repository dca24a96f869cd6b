#pragma once

#include <QLoggingCategory>

namespace tlv::common {

// Files the platform layer could not write: QT_LOGGING_RULES="tolvane.common=true".
Q_DECLARE_LOGGING_CATEGORY(lcCommon)

} // namespace tlv::common
