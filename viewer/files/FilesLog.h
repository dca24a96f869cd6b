#pragma once

#include <QLoggingCategory>

namespace tlv::viewer {

// Exports and the files the control reads: QT_LOGGING_RULES="tolvane.files=true".
Q_DECLARE_LOGGING_CATEGORY(lcFiles)

} // namespace tlv::viewer
