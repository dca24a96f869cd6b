#include "app/record/RecordLog.h"

namespace tlv::app {

Q_LOGGING_CATEGORY(lcRecord, "tolvane.record", QtWarningMsg)

} // namespace tlv::app
