#include "common/PcdStatusText.h"

namespace tlv::common {

QString pcdStatusText(qint32 status)
{
    switch (status) {
    case 0:
        return QStringLiteral("Offline");
    case 1:
        return QStringLiteral("Disconnect");
    case 2:
        return QStringLiteral("Run");
    case 3:
        return QStringLiteral("Stop");
    case 4:
        return QStringLiteral("Halt");
    case 5:
        return QStringLiteral("Conditional Run");
    case 7:
        return QStringLiteral("Conditional Stop");
    case 8:
        return QStringLiteral("Trace");
    case 99:
        return QStringLiteral("Demo");
    default:
        return QStringLiteral("Bad Status");
    }
}

} // namespace tlv::common
