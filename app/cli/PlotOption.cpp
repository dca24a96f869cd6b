#include "app/cli/PlotOption.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/ChartImage.h"

#include <QFileInfo>

namespace tlv::app {

bool wantsPlot(const QStringList &args)
{
    return args.contains(QStringLiteral("--plot"));
}

bool writePlot(viewer::ControlCore &core, const QString &file, QTextStream &err)
{
    QString why;
    const QString path = QFileInfo(file).absoluteFilePath();
    if (viewer::ChartImage::write(core, path, &why)) {
        err << path << u'\n';
        return true;
    }
    err << QLatin1String("Plot failed: ") << why << u'\n';
    return false;
}

} // namespace tlv::app
