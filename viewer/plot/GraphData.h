#pragma once

#include "viewer/core/RowStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

struct ColumnDescription;
struct ColumnTable;

// What the graph shows, taken from the records grid without drawing anything:
// the selected columns, the chart rows with their labels, values and times.
class GraphData
{
public:
    // How a column is drawn: numbers as lines, texts as steps of the value
    // behind them, bits as 0/1 lanes of their own.
    enum class Kind { Analog, Steps, Lane };

    struct Series
    {
        int gridColumn = 0;
        int columnNumber = -1;
        QString title;
        Kind kind = Kind::Analog;
        // One entry per chart row; empty where no record falls on the row or
        // the row has no number (a string, a status or separator row).
        QList<std::optional<double>> values;
    };

    // Label step for a number of chart rows: 1 up to 20, 5 up to 100, 10 up to 500, else 20.
    [[nodiscard]] static int labelStep(qint32 maxGraph);
    [[nodiscard]] static Kind kindOf(const ColumnDescription *column);
    // True when grid row row is labelled on step: a record or status row whose
    // number is a multiple of it (a separator repeats the number before it).
    [[nodiscard]] static bool labelled(const RowStore &rows, int row, int step);

    // Before the graph opens: selects every data column when none is, and
    // tells the user when there is still nothing to draw. True when the graph may open.
    static bool prepareToShow(RowStore &rows, common::Prompter *prompter);
    [[nodiscard]] static QString noColumnsText();

    // The chart for maxGraph rows of the grid: the newest ones, or those from
    // grid row firstRow on when it is not negative (a view that stays put).
    // Without a table every column is drawn as a line.
    [[nodiscard]] static GraphData build(const RowStore &rows, qint32 maxGraph,
        const ColumnTable *table = nullptr, int firstRow = -1);

    // "Record 12:  W0 = 5   W1 = 10" for chart row chartRow (from 1); empty
    // where no record falls.
    [[nodiscard]] QString pointerText(const RowStore &rows, int chartRow) const;
    // The record axis over chart rows low..high: the row header of every
    // record labelled on step, at its chart row.
    [[nodiscard]] QList<std::pair<double, QString>> recordTicks(
        const RowStore &rows, double low, double high, int step) const;
    // The grid row of a chart row (from 1); -1 where none falls.
    [[nodiscard]] int gridRow(int chartRow) const;

    QList<Series> series;
    QStringList labels; // one per chart row; empty where none is written
    QList<RowStore::RowKind> kinds; // one per record shown
    QList<qint64> msecs; // PC time of each record shown
    // Where each record lies when not on chart rows (a recording's history: row ids, or
    // seconds after its first row), and the whole x range then.
    QList<double> x;
    double xLow = 0;
    double xHigh = 1;
    int rowCount = 0; // chart rows: maxGraph
    int first = 0; // grid rows before the first one shown
    int records = 0; // records shown
};

} // namespace tlv::viewer
