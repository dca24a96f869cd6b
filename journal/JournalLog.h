#pragma once

#include <QLoggingCategory>

namespace tlv::journal {

// Writing the recording journal: QT_LOGGING_RULES="tolvane.journal=true".
Q_DECLARE_LOGGING_CATEGORY(lcJournal)

} // namespace tlv::journal
