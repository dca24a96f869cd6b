#pragma once

#include <QLoggingCategory>

namespace tlv::app {

// Start-up and the project the program opens: QT_LOGGING_RULES="tolvane.app=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace tlv::app
