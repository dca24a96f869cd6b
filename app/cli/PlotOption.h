#pragma once

#include "viewer/plot/ChartImage.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

class CommandOptions;

// --plot FILE of the recording commands, the chart of the grid at the end, with
// --plot-lanes (every line in a band of its own) and --plot-hide LIST (column
// titles or numbers, comma-separated, left out as a legend click does).
struct PlotRequest
{
    QString file;
    viewer::ChartImage::Look look;
};

// True when the program must start with a QGuiApplication.
[[nodiscard]] bool wantsPlot(const QStringList &args);
// The plot options for a command's CommandOptions: those with a value, then the switches.
[[nodiscard]] QStringList plotValueOptions();
[[nodiscard]] QStringList plotSwitches();
// The plot a command's parsed options ask for.
[[nodiscard]] PlotRequest plotRequest(const CommandOptions &options);
// Why the plot arguments do not go together; empty when they do.
[[nodiscard]] QString plotArgumentsError(const PlotRequest &plot);
// Writes the chart and tells err why not; false on failure.
bool writePlot(viewer::ControlCore &core, const PlotRequest &plot, QTextStream &err);

} // namespace tlv::app
