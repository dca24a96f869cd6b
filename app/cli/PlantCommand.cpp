#include "app/cli/CliCommands.h"
#include "app/cli/CommandOptions.h"
#include "app/cli/TimeOption.h"
#include "journal/plant/PlantConnection.h"
#include "journal/plant/PlantPrune.h"
#include "journal/plant/PlantSchema.h"
#include "journal/plant/PlantSources.h"

namespace tlv::app {

namespace {

// The plant database the recorders forward to: made, listed and pruned.
class PlantCommand : public CliCommand
{
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("plant"); }
    [[nodiscard]] QString summary() const override
    {
        return QStringLiteral("make or upgrade a plant database (init), list its sources with "
                              "rows, first and last time and lag (sources), drop whole days of "
                              "rows older than TIME (prune)");
    }
    [[nodiscard]] QString arguments() const override
    {
        return QStringLiteral("init URI | sources URI | prune URI --before TIME");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        CommandOptions given({ QStringLiteral("before") });
        if (!given.parse(args) || given.arguments().size() != 2)
            return usageError(err);
        const QString action = given.arguments().first();
        const bool prunes = action == QLatin1String("prune");
        if (prunes != given.isSet(QStringLiteral("before"))
            || (!prunes && action != QLatin1String("init") && action != QLatin1String("sources")))
            return usageError(err);
        QDateTime before;
        QString why;
        if (prunes && !parseTimeOption(given.value(QStringLiteral("before")), &before, &why)) {
            err << QLatin1String("tolvane-cli plant: ") << why << u'\n';
            return usageError(err);
        }
        plant::PlantUri uri;
        if (!uri.parse(given.arguments()[1])) {
            err << uri.error() << u'\n';
            return 2;
        }
        plant::PlantConnection connection;
        if (!connection.open(uri, QStringLiteral("tolvane-cli plant"))) {
            err << QLatin1String("The plant database cannot be reached: ")
                << connection.errorString() << u'\n';
            return 1;
        }
        if (action == QLatin1String("init"))
            return init(connection, uri, out, err);
        if (action == QLatin1String("sources"))
            return sources(connection, out, err);
        return prune(connection, before, out, err);
    }

private:
    static int init(plant::PlantConnection &connection, const plant::PlantUri &uri,
        QTextStream &out, QTextStream &err)
    {
        plant::PlantSchema schema;
        if (!schema.init(connection)) {
            err << schema.errorString() << u'\n';
            return 1;
        }
        out << uri.text() << QLatin1String(": ") << schema.done()
            << QLatin1String("; views tolvane.records and tolvane.samples, roles "
                             "tolvane_recorder and tolvane_reader\n");
        return 0;
    }

    static int sources(plant::PlantConnection &connection, QTextStream &out, QTextStream &err)
    {
        QList<plant::SourceSummary> list;
        QString why;
        if (!plant::listSources(connection, &list, &why)) {
            err << QLatin1String("The sources cannot be read: ") << why << u'\n';
            return 1;
        }
        const auto time = [](const QDateTime &t) {
            return t.isValid() ? t.toString(Qt::ISODateWithMs) : QStringLiteral("-");
        };
        out << "source\trows\tfirst\tlast\tlag\n";
        for (const plant::SourceSummary &s : list) {
            out << s.name << u'\t' << s.rows << u'\t' << time(s.first) << u'\t' << time(s.last)
                << u'\t'
                << (s.lagSeconds < 0 ? QStringLiteral("-")
                                     : QString::number(s.lagSeconds, 'f', 1) + QStringLiteral(" s"))
                << u'\n';
        }
        return 0;
    }

    static int prune(plant::PlantConnection &connection, const QDateTime &before, QTextStream &out,
        QTextStream &err)
    {
        QList<QDate> days;
        QString why;
        if (!plant::pruneBefore(connection, before, &days, &why)) {
            err << QLatin1String("Nothing was dropped: ") << why << u'\n';
            return 1;
        }
        if (days.isEmpty()) {
            out << "No whole day of rows ends before " << before.toUTC().toString(Qt::ISODate)
                << "; nothing dropped.\n";
            return 0;
        }
        out << "Dropped the rows of " << days.size() << (days.size() == 1 ? " day" : " days")
            << " (UTC " << days.first().toString(Qt::ISODate) << " to "
            << days.last().toString(Qt::ISODate) << ").\n";
        return 0;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(PlantCommand)

} // namespace tlv::app
