#pragma once

#include <QLoggingCategory>

namespace tlv::buffer {

// Saving and compiling the user buffer: QT_LOGGING_RULES="tolvane.buffer=true".
Q_DECLARE_LOGGING_CATEGORY(lcBuffer)

} // namespace tlv::buffer
