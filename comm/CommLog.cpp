#include "comm/CommLog.h"

namespace tlv::comm {

Q_LOGGING_CATEGORY(lcComm, "tolvane.comm", QtWarningMsg)

} // namespace tlv::comm
