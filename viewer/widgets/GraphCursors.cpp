#include "viewer/widgets/GraphCursors.h"

#include "viewer/core/RowStore.h"

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

namespace {

bool isRecord(const RowStore &rows, int row)
{
    return row >= 0 && row < rows.dataRowCount() && rows.rowKind(row) == RowStore::RowKind::Record;
}

QString number(const std::optional<double> &v)
{
    if (!v)
        return QStringLiteral("-");
    // Up to 10 significant digits: a mean of whole numbers reads 12.5, not 12.500000001.
    return QString::number(*v, 'g', 10);
}

} // namespace

GraphCursors GraphCursors::read(
    const RowStore &rows, const QList<GraphData::Series> &series, int rowA, int rowB)
{
    GraphCursors c;
    c.rowA = isRecord(rows, rowA) ? rowA : -1;
    c.rowB = isRecord(rows, rowB) ? rowB : -1;
    const bool both = c.rowA >= 0 && c.rowB >= 0;
    if (both) {
        bool okA = false;
        bool okB = false;
        const qint64 a = rows.cell(c.rowA, 0).toLongLong(&okA);
        const qint64 b = rows.cell(c.rowB, 0).toLongLong(&okB);
        if (okA && okB)
            c.deltaRecords = b - a;
        const qint64 ta = rows.rowMsecs(c.rowA);
        const qint64 tb = rows.rowMsecs(c.rowB);
        if (ta > 0 && tb > 0)
            c.deltaSeconds = (tb - ta) / 1000.0;
    }
    for (const GraphData::Series &s : series) {
        SeriesReading r;
        r.title = s.title;
        if (c.rowA >= 0) {
            r.textA = rows.cell(c.rowA, s.gridColumn);
            r.a = rows.cellValue(c.rowA, s.gridColumn);
        }
        if (c.rowB >= 0) {
            r.textB = rows.cell(c.rowB, s.gridColumn);
            r.b = rows.cellValue(c.rowB, s.gridColumn);
        }
        if (r.a && r.b)
            r.delta = *r.b - *r.a;
        if (both) {
            double sum = 0;
            int count = 0;
            const int from = std::min(c.rowA, c.rowB);
            const int to = std::max(c.rowA, c.rowB);
            for (int row = from; row <= to; ++row) {
                const std::optional<double> v = rows.cellValue(row, s.gridColumn);
                if (!v)
                    continue;
                r.min = r.min ? std::min(*r.min, *v) : *v;
                r.max = r.max ? std::max(*r.max, *v) : *v;
                sum += *v;
                ++count;
            }
            if (count > 0)
                r.mean = sum / count;
        }
        c.series.append(r);
    }
    return c;
}

int GraphCursors::snap(const GraphData &data, const QList<double> &x, double at)
{
    int best = -1;
    double distance = 0;
    for (int i = 0; i < data.records && i < x.size(); ++i) {
        if (data.kinds.value(i) != RowStore::RowKind::Record)
            continue;
        const double d = std::abs(x[i] - at);
        if (best < 0 || d < distance) {
            best = i;
            distance = d;
        }
    }
    return best < 0 ? -1 : data.first + best;
}

int GraphCursors::recordRow(const RowStore &rows, int row, bool timed)
{
    const int count = rows.dataRowCount();
    if (row < 0 || row >= count)
        return -1;
    const auto real = [&](int r) {
        return r >= 0 && r < count && isRecord(rows, r) && (!timed || rows.rowMsecs(r) != 0);
    };
    for (int d = 0; row - d >= 0 || row + d < count; ++d) {
        if (real(row - d))
            return row - d;
        if (real(row + d))
            return row + d;
    }
    // Rows that never had a PC time still hold a cursor, on the record axis's terms.
    return timed ? recordRow(rows, row, false) : -1;
}

QStringList GraphCursors::lines() const
{
    QStringList out;
    QString head;
    if (deltaRecords)
        head += QStringLiteral("\u0394 records %1").arg(*deltaRecords);
    if (deltaSeconds)
        head += QStringLiteral("   \u0394t %1 s").arg(QString::number(*deltaSeconds, 'f', 3));
    if (!head.isEmpty())
        out.append(head);
    for (const SeriesReading &r : series) {
        QString line = r.title + QStringLiteral(":  A ")
            + (r.textA.isEmpty() ? QStringLiteral("-") : r.textA);
        if (rowB >= 0) {
            line += QStringLiteral("   B ") + (r.textB.isEmpty() ? QStringLiteral("-") : r.textB);
            line += QStringLiteral("   \u0394 ") + number(r.delta);
        }
        if (rowA >= 0 && rowB >= 0)
            line += QStringLiteral("   min ") + number(r.min) + QStringLiteral("   max ")
                + number(r.max) + QStringLiteral("   mean ") + number(r.mean);
        out.append(line);
    }
    return out;
}

} // namespace tlv::viewer
