#include "viewer/files/FilesLog.h"

namespace tlv::viewer {

Q_LOGGING_CATEGORY(lcFiles, "tolvane.files", QtWarningMsg)

} // namespace tlv::viewer
