#include "common/CommonLog.h"

namespace tlv::common {

Q_LOGGING_CATEGORY(lcCommon, "tolvane.common", QtWarningMsg)

} // namespace tlv::common
