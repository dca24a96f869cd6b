#include "app/cli/CliCommands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
