#include "viewer/core/GraphViewState.h"

#include "common/IniProfile.h"

#include <cmath>

namespace tlv::viewer {

namespace {

constexpr int ColumnCount = 128;

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString number(double value)
{
    // Shortest text that reads back to the same double, whatever the locale.
    return QString::number(value, 'g', 17);
}

} // namespace

QStringList GraphViewState::lines() const
{
    QStringList numbers;
    for (int c : columns)
        numbers.append(QString::number(c));
    QStringList out { QStringLiteral("Columns=") + numbers.join(u','),
        QStringLiteral("OwnRanges=") + flag(ownRanges),
        QStringLiteral("TimeAxis=") + flag(timeAxis) };
    // An empty value says "none", so an older view's cursor does not linger.
    out.append(QStringLiteral("CursorA=") + (cursorA ? QString::number(*cursorA) : QString()));
    out.append(QStringLiteral("CursorB=") + (cursorB ? QString::number(*cursorB) : QString()));
    out.append(QStringLiteral("ZoomFrom=") + (zoom ? number(zoom->first) : QString()));
    out.append(QStringLiteral("ZoomTo=") + (zoom ? number(zoom->second) : QString()));
    return out;
}

GraphViewState GraphViewState::fromLines(const QStringList &lines, QStringList *warnings)
{
    GraphViewState s;
    const auto warn = [warnings](const QString &key, const QString &value) {
        if (warnings)
            warnings->append(key + QStringLiteral(" = ") + value);
    };
    std::optional<double> zoomFrom;
    std::optional<double> zoomTo;
    QString zoomText;
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const auto is = [&key](const char *name) {
            return key.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
        };
        bool ok = true;
        if (is("Columns")) {
            for (const QString &part : value.split(u',', Qt::SkipEmptyParts)) {
                const int c = part.trimmed().toInt(&ok);
                if (!ok || c < 0 || c >= ColumnCount) {
                    warn(key, part);
                    continue;
                }
                if (!s.columns.contains(c))
                    s.columns.append(c);
            }
            continue;
        }
        if (is("OwnRanges") || is("TimeAxis")) {
            const bool on = value == u'1';
            if (value != u'0' && !on)
                warn(key, value);
            else
                (is("OwnRanges") ? s.ownRanges : s.timeAxis) = on;
            continue;
        }
        if (is("CursorA") || is("CursorB")) {
            if (value.isEmpty())
                continue;
            const qint64 record = value.toLongLong(&ok);
            if (!ok || record < 0)
                warn(key, value);
            else
                (is("CursorA") ? s.cursorA : s.cursorB) = record;
            continue;
        }
        if (is("ZoomFrom") || is("ZoomTo")) {
            if (value.isEmpty())
                continue;
            const double v = value.toDouble(&ok);
            if (!ok || !std::isfinite(v))
                warn(key, value);
            else
                (is("ZoomFrom") ? zoomFrom : zoomTo) = v;
            zoomText += value + u' ';
        }
    }
    // Half a zoom, or one that runs backwards, is no view: full view instead.
    if (zoomFrom && zoomTo && *zoomFrom < *zoomTo)
        s.zoom = std::pair { *zoomFrom, *zoomTo };
    else if (zoomFrom || zoomTo)
        warn(QStringLiteral("Zoom"), zoomText.trimmed());
    return s;
}

bool GraphViewState::write(const QString &projectFile) const
{
    return common::IniProfile::writeSection(projectFile, section(), lines());
}

std::optional<GraphViewState> GraphViewState::read(
    const QString &projectFile, QStringList *warnings)
{
    // The whole section, not key by key: a long column list passes the 255
    // characters a single value may have.
    const QStringList lines = common::IniProfile::readSection(projectFile, section());
    if (lines.isEmpty())
        return std::nullopt;
    return fromLines(lines, warnings);
}

} // namespace tlv::viewer
