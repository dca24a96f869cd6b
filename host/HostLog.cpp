#include "host/HostLog.h"

namespace tlv::host {

Q_LOGGING_CATEGORY(lcHost, "tolvane.host", QtWarningMsg)

} // namespace tlv::host
