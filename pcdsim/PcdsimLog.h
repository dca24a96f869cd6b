#pragma once

#include <QLoggingCategory>

namespace tlv::pcdsim {

// The simulated PCD's server: QT_LOGGING_RULES="tolvane.pcdsim=true".
Q_DECLARE_LOGGING_CATEGORY(lcPcdsim)

} // namespace tlv::pcdsim
