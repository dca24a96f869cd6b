#include "app/cli/PlotOption.h"

#include "viewer/core/ControlCore.h"

#include <QFileInfo>

namespace tlv::app {

bool wantsPlot(const QStringList &args)
{
    return args.contains(QStringLiteral("--plot"));
}

bool takePlotArgument(const QStringList &args, int &i, PlotRequest &plot)
{
    const QString &arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == QLatin1String("--plot") && hasValue) {
        plot.file = args[++i];
    } else if (arg == QLatin1String("--plot-lanes")) {
        plot.look.lanes = true;
    } else if (arg == QLatin1String("--plot-hide") && hasValue) {
        for (const QString &name : args[++i].split(u',', Qt::SkipEmptyParts))
            plot.look.hidden.append(name.trimmed());
    } else {
        return false;
    }
    return true;
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
