#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

// --plot FILE of the recording commands: the chart of the grid at the end.
// True when the program must start with a QApplication.
[[nodiscard]] bool wantsPlot(const QStringList &args);
// Writes the chart and tells err why not; false on failure.
bool writePlot(viewer::ControlCore &core, const QString &file, QTextStream &err);

} // namespace tlv::app
