#include "app/cli/PlotOption.h"

#include "app/cli/CommandOptions.h"
#include "viewer/core/ControlCore.h"

#include <QFileInfo>

#include <algorithm>

namespace tlv::app {

bool wantsPlot(const QStringList &args)
{
    return std::any_of(args.begin(), args.end(),
        [](const QString &arg) { return arg == u"--plot" || arg.startsWith(u"--plot="); });
}

QStringList plotValueOptions()
{
    return { QStringLiteral("plot"), QStringLiteral("plot-hide") };
}

QStringList plotSwitches()
{
    return { QStringLiteral("plot-lanes") };
}

PlotRequest plotRequest(const CommandOptions &options)
{
    PlotRequest plot;
    plot.file = options.value(QStringLiteral("plot"));
    plot.look.lanes = options.isSet(QStringLiteral("plot-lanes"));
    for (const QString &list : options.values(QStringLiteral("plot-hide"))) {
        for (const QString &name : list.split(u',', Qt::SkipEmptyParts))
            plot.look.hidden.append(name.trimmed());
    }
    return plot;
}

QString plotArgumentsError(const PlotRequest &plot)
{
    if (plot.file.isEmpty() && (plot.look.lanes || !plot.look.hidden.isEmpty()))
        return QStringLiteral("--plot-lanes and --plot-hide go with --plot FILE");
    return {};
}

bool writePlot(viewer::ControlCore &core, const PlotRequest &plot, QTextStream &err)
{
    QString why;
    const QString path = QFileInfo(plot.file).absoluteFilePath();
    if (viewer::ChartImage::write(core, path, &why, plot.look)) {
        err << path << u'\n';
        return true;
    }
    err << QLatin1String("Plot failed: ") << why << u'\n';
    return false;
}

} // namespace tlv::app
