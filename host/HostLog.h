#pragma once

#include <QLoggingCategory>

namespace tlv::host {

// What the host does with the connection and the control's requests:
// QT_LOGGING_RULES="tolvane.host=true".
Q_DECLARE_LOGGING_CATEGORY(lcHost)

} // namespace tlv::host
