#include "viewer/widgets/ChartImage.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/GraphView.h"

#include <QApplication>

namespace tlv::viewer {

bool ChartImage::write(ControlCore &core, const QString &path, QString *error, QSize size)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return fail(QStringLiteral("Drawing a chart needs a QApplication"));

    RowStore &rows = core.rows();
    const QSet<int> selection = rows.graphSelection();
    if (rows.selectedGridColumns().isEmpty()) {
        QSet<int> all;
        for (const RowStore::DataColumn &c : rows.dataColumns())
            all.insert(c.number);
        rows.setGraphSelection(all);
    }
    if (rows.selectedGridColumns().isEmpty())
        return fail(QStringLiteral("No data columns to draw"));

    bool ok = false;
    {
        GraphView view(core);
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(size);
        view.show();
        view.setUp();
        // The chart lays its plot area out in the event loop; the ticks need it.
        QCoreApplication::processEvents();
        view.fill();
        QCoreApplication::processEvents();
        ok = view.saveImage(path, error);
    }
    // The user's own selection stays as it was.
    rows.setGraphSelection(selection);
    return ok;
}

} // namespace tlv::viewer
