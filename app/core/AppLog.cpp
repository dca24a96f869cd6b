#include "app/core/AppLog.h"

namespace tlv::app {

Q_LOGGING_CATEGORY(lcApp, "tolvane.app", QtWarningMsg)

} // namespace tlv::app
