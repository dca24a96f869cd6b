#pragma once

#include <QLoggingCategory>

namespace tlv::comm {

// The connection and the S-Bus telegrams: QT_LOGGING_RULES="tolvane.comm=true".
Q_DECLARE_LOGGING_CATEGORY(lcComm)

} // namespace tlv::comm
