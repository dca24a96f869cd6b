// Tolvane: the desktop program PG5 starts for one trace project.
#include "app/core/AppFolders.h"
#include "app/core/CommandLine.h"
#include "app/window/frmTolvane.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION_TEXT));
    QApplication::setOrganizationName(QStringLiteral("Varnok"));
    QApplication::setDesktopFileName(QStringLiteral("tolvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tolvane")));

    const tlv::app::AppFolders folders
        = tlv::app::AppFolders::detect(QCoreApplication::applicationDirPath());
    tlv::app::frmTolvane window(folders);
    window.startUp(tlv::app::CommandLine::join(QCoreApplication::arguments().mid(1)));
    if (window.host().quitting())
        return 0;
    window.show();
    return QApplication::exec();
}
