#include "journal/JournalLog.h"

namespace tlv::journal {

Q_LOGGING_CATEGORY(lcJournal, "tolvane.journal", QtWarningMsg)

} // namespace tlv::journal
