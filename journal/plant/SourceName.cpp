#include "journal/plant/SourceName.h"

namespace tlv::plant {

bool sourceNameOk(const QString &name, QString *why)
{
    if (name.trimmed().isEmpty() || name.size() > 200) {
        *why = QStringLiteral("--source wants a name of 1 to 200 characters");
        return false;
    }
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control) {
            *why = QStringLiteral("--source wants a name without control characters");
            return false;
        }
    }
    return true;
}

} // namespace tlv::plant
