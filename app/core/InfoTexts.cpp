#include "app/core/InfoTexts.h"

namespace tlv::app::InfoTexts {

QString infoCaption()
{
    return QString::fromUtf16(AppTitle) + QStringLiteral("  Start Info");
}

QString startInfo()
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Thank you for using Varnok software.") + crlf + crlf
        + QStringLiteral("Tolvane is an Add-On tool for The SAIA-PG5 Utility.") + crlf + crlf + crlf
        + QStringLiteral("Please start the Tolvane from the PG5 by creating a Tolvane file") + crlf
        + QStringLiteral("in the CPU.");
}

QString aboutCaption()
{
    return QStringLiteral("About Varnok ") + QString::fromUtf16(AppTitle);
}

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(major)
        .arg(minor)
        .arg(revision, 3, 10, QLatin1Char('0'));
}

QString versionText()
{
    return versionText(TOLVANE_VERSION_MAJOR, TOLVANE_VERSION_MINOR, TOLVANE_VERSION_PATCH);
}

} // namespace tlv::app::InfoTexts
