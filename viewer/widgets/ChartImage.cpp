#include "viewer/widgets/ChartImage.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/GraphView.h"

#include <QApplication>

namespace tlv::viewer {

bool ChartImage::write(ControlCore &core, const QString &path, QString *error, QSize size)
{
    Look look;
    look.size = size;
    return write(core, path, error, look);
}

bool ChartImage::write(ControlCore &core, const QString &path, QString *error, const Look &look)
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
    // A column to hide is named by its title or its number; a name that is
    // none of them is refused rather than drawing what the user did not ask for.
    QSet<int> hidden;
    for (const QString &name : look.hidden) {
        bool isNumber = false;
        const int number = name.toInt(&isNumber);
        bool found = false;
        for (const RowStore::DataColumn &c : rows.dataColumns()) {
            if ((isNumber && c.number == number)
                || c.title.compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
                hidden.insert(c.number);
                found = true;
            }
        }
        if (!found) {
            rows.setGraphSelection(selection);
            return fail(QStringLiteral("No column \"%1\" to hide").arg(name));
        }
    }

    bool ok = false;
    {
        GraphView view(core);
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(look.size);
        view.show();
        view.setLanes(look.lanes);
        for (const int column : std::as_const(hidden))
            view.setTraceHidden(column, true);
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
