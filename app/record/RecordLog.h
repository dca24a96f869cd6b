#pragma once

#include <QLoggingCategory>

namespace tlv::app {

// Headless recording: QT_LOGGING_RULES="tolvane.record=true".
Q_DECLARE_LOGGING_CATEGORY(lcRecord)

} // namespace tlv::app
