#include "app/cli/CliCommands.h"
#include "common/LineCipher.h"

namespace tlv::app {

namespace {

class EncipherCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("encipher"); }
    QString arguments() const override { return QStringLiteral("FILE"); }
    QString summary() const override
    {
        return QStringLiteral("encipher a plain description into FILE's name with .tlvd");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        if (args.size() != 1)
            return usageError(err);
        QString error;
        const QString target = common::LineCipher::encipherFile(args.first(), &error);
        if (target.isEmpty()) {
            err << common::LineCipher::CryptAborted << QLatin1Char('\n') << error
                << QLatin1Char('\n');
            return 1;
        }
        out << common::LineCipher::CryptSuccessful << QLatin1Char('\n');
        return 0;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(EncipherCommand)

} // namespace tlv::app
