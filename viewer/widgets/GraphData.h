#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

class RowStore;

// What the graph shows, taken from the records grid without drawing anything:
// the selected columns, the chart rows with their labels and values.
class GraphData
{
public:
    struct Series
    {
        int gridColumn = 0;
        QString title;
        // One entry per chart row; empty where no record falls on the row or
        // the row has no number (a string, a status or separator row).
        QList<std::optional<double>> values;
    };

    // Label step for a number of chart rows: 1 up to 20, 5 up to 100, 10 up to 500, else 20.
    [[nodiscard]] static int labelStep(qint32 maxGraph);

    // Before the graph opens: selects every data column when none is, and
    // tells the user when there is still nothing to draw. True when the graph may open.
    static bool prepareToShow(RowStore &rows, common::Prompter *prompter);
    [[nodiscard]] static QString noColumnsText();

    // The chart for the newest maxGraph records of the grid.
    [[nodiscard]] static GraphData build(const RowStore &rows, qint32 maxGraph);

    // "Record 12:  W0 = 5   W1 = 10" for chart row chartRow (from 1); empty
    // where no record falls.
    [[nodiscard]] QString pointerText(const RowStore &rows, int chartRow) const;

    QList<Series> series;
    QStringList labels; // one per chart row; empty where none is written
    int rowCount = 0; // chart rows: maxGraph
    int first = 0; // records before the first one shown
    int records = 0; // records shown
};

} // namespace tlv::viewer
