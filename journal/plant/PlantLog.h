#pragma once

#include <QLoggingCategory>

namespace tlv::plant {

// Forwarding journals to the plant database: QT_LOGGING_RULES="tolvane.plant=true".
Q_DECLARE_LOGGING_CATEGORY(lcPlant)

} // namespace tlv::plant
