#include "pcdsim/PcdsimLog.h"

namespace tlv::pcdsim {

Q_LOGGING_CATEGORY(lcPcdsim, "tolvane.pcdsim", QtWarningMsg)

} // namespace tlv::pcdsim
