#include "app/cli/CliCommands.h"
#include "app/cli/PlotOption.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given.append(QString::fromLocal8Bit(argv[i]));
    // Only a chart needs the GUI (its fonts); it is drawn offscreen unless told otherwise.
    std::unique_ptr<QCoreApplication> application;
    if (tlv::app::wantsPlot(given)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION_TEXT));
    QCoreApplication::setOrganizationName(QStringLiteral("Varnok"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = tlv::app::CliCommands::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return code;
}
