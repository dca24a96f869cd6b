#include "viewer/widgets/GraphHistory.h"

#include <QDateTime>

#include <cmath>

namespace tlv::viewer {

namespace {

std::optional<double> value(const QList<double> &values, qsizetype i)
{
    const double v = values.value(i, std::nan(""));
    return std::isnan(v) ? std::nullopt : std::optional<double>(v);
}

RowStore::RowKind gapKind(int gaps)
{
    if (gaps & HistoryBucket::RestartGap)
        return RowStore::RowKind::Restart;
    if (gaps & HistoryBucket::MissGap)
        return RowStore::RowKind::Miss;
    return RowStore::RowKind::Status;
}

QString where(const char *name, const HistoryRecord &r)
{
    QString text = QString::fromLatin1(name) + QStringLiteral(": record ")
        + QString::number(r.recordNumber) + QStringLiteral(" (row ") + QString::number(r.id) + u')';
    if (r.ms != 0)
        text += QStringLiteral(" at ")
            + QDateTime::fromMSecsSinceEpoch(r.ms).toString(
                QStringLiteral("dd/MM/yy HH:mm:ss.zzz"));
    return text;
}

} // namespace

QList<int> GraphHistory::positions(const QList<GraphData::Series> &series)
{
    QList<int> list;
    for (const GraphData::Series &s : series)
        list.append(s.gridColumn - RowStore::StampColumns);
    return list;
}

GraphData GraphHistory::data(const QList<HistoryBucket> &buckets,
    const QList<GraphData::Series> &series, bool byTime, qint64 originMs, double xLow, double xHigh)
{
    GraphData g;
    g.series = series;
    g.xLow = xLow;
    g.xHigh = xHigh;
    for (GraphData::Series &s : g.series)
        s.values.clear();
    const auto add = [&g](double x, qint64 ms, RowStore::RowKind kind) {
        g.x.append(x);
        g.msecs.append(ms);
        g.kinds.append(kind);
        g.labels.append(QString());
    };
    for (const HistoryBucket &b : buckets) {
        const qint64 ms = b.firstMs / 2 + b.lastMs / 2;
        if (byTime && b.firstMs == 0)
            continue;
        const double x = byTime ? (ms - originMs) / 1000.0 : (b.firstId + b.lastId) / 2.0;
        add(x, ms, RowStore::RowKind::Record);
        add(x, ms, RowStore::RowKind::Record);
        for (qsizetype k = 0; k < g.series.size(); ++k) {
            g.series[k].values.append(value(b.low, k));
            g.series[k].values.append(value(b.high, k));
        }
        if (b.gaps == 0)
            continue;
        add(x, ms, gapKind(b.gaps));
        for (GraphData::Series &s : g.series)
            s.values.append(std::nullopt);
    }
    g.records = int(g.x.size());
    g.rowCount = g.records;
    return g;
}

double GraphHistory::xOf(const HistoryRecord &record, bool byTime, qint64 originMs)
{
    return byTime ? (record.ms - originMs) / 1000.0 : double(record.id);
}

QStringList GraphHistory::readout(const std::optional<HistoryRecord> &a,
    const std::optional<HistoryRecord> &b, const QList<GraphData::Series> &series)
{
    QStringList lines;
    QString head;
    if (a)
        head = where("A", *a);
    if (b)
        head += (head.isEmpty() ? QString() : QStringLiteral("   ")) + where("B", *b);
    lines.append(head);
    // The cell as the grid showed it; its number where it kept no text.
    const auto shown = [](const HistoryRecord &r, qsizetype k) {
        const QString text = r.texts.value(k);
        const std::optional<double> v = value(r.values, k);
        return text.isEmpty() && v ? QString::number(*v, 'g', 10) : text;
    };
    for (qsizetype k = 0; k < series.size(); ++k) {
        QString line = series[k].title + u':';
        if (a)
            line += QStringLiteral("  A = ") + shown(*a, k);
        if (b)
            line += QStringLiteral("  B = ") + shown(*b, k);
        const std::optional<double> va = a ? value(a->values, k) : std::nullopt;
        const std::optional<double> vb = b ? value(b->values, k) : std::nullopt;
        if (va && vb)
            line += QStringLiteral("  B - A = ") + QString::number(*vb - *va, 'g', 10);
        lines.append(line);
    }
    return lines;
}

} // namespace tlv::viewer
