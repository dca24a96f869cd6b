#include "buffer/BufferLog.h"

namespace tlv::buffer {

Q_LOGGING_CATEGORY(lcBuffer, "tolvane.buffer", QtWarningMsg)

} // namespace tlv::buffer
