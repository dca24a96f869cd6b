#include "comm/ComPorts.h"

#include "common/IniProfile.h"
#include "common/PathUtil.h"

#include <QRegularExpression>

namespace tlv::comm {

QString comPortDevice(int com)
{
    const QString key = QStringLiteral("COM") + QString::number(com);
    const QString mapped = common::IniProfile::read(
        common::commonDataFolder() + QStringLiteral("Settings.ini"), QStringLiteral("Ports"), key);
    if (!mapped.isEmpty())
        return common::toLocalPath(mapped);
    return QStringLiteral("/dev/ttyS") + QString::number(com - 1);
}

QString resolveComName(const QString &device)
{
    static const QRegularExpression com(
        QStringLiteral("^COM([1-9][0-9]{0,2})$"), QRegularExpression::CaseInsensitiveOption);
    const auto match = com.match(device.trimmed());
    if (!match.hasMatch())
        return device;
    return comPortDevice(match.captured(1).toInt());
}

} // namespace tlv::comm
