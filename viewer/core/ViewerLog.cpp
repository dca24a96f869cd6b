#include "viewer/core/ViewerLog.h"

namespace tlv::viewer {

Q_LOGGING_CATEGORY(lcViewer, "tolvane.viewer", QtWarningMsg)

} // namespace tlv::viewer
