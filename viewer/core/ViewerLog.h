#pragma once

#include <QLoggingCategory>

namespace tlv::viewer {

// The control's reading cycle: QT_LOGGING_RULES="tolvane.viewer=true".
Q_DECLARE_LOGGING_CATEGORY(lcViewer)

} // namespace tlv::viewer
