#include "app/cli/CliCommands.h"
#include "common/LineCipher.h"

namespace tlv::app {

namespace {

class DecipherCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("decipher"); }
    QString arguments() const override { return QStringLiteral("FILE OUT"); }
    QString summary() const override
    {
        return QStringLiteral("write the plain text of a .tlv/.tlvd description to OUT");
    }

    int run(const QStringList &args, QTextStream &, QTextStream &err) override
    {
        if (args.size() != 2)
            return usageError(err);
        QString error;
        if (!common::LineCipher::decipherFile(args[0], args[1], &error)) {
            err << error << QLatin1Char('\n');
            return 1;
        }
        return 0;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(DecipherCommand)

} // namespace tlv::app
