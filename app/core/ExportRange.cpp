#include "app/core/ExportRange.h"

#include <algorithm>

namespace tlv::app {

ExportRange::Span ExportRange::choose(const Span &box, const View &view, const View &full,
    const QList<qint64> &msecs, bool timeAxis) const
{
    if (view == full || (m_boxView && *m_boxView == view))
        return box;
    return shownSpan(msecs, timeAxis, view).value_or(box);
}

std::optional<ExportRange::Span> ExportRange::shownSpan(
    const QList<qint64> &msecs, bool timeAxis, const View &view)
{
    const qint64 origin = msecs.value(0);
    std::optional<Span> span;
    for (qsizetype i = 0; i < msecs.size(); ++i) {
        const double x = timeAxis ? (msecs[i] - origin) / 1000.0 : double(i + 1);
        if (x < view.first || x > view.second || msecs[i] <= 0)
            continue;
        if (!span)
            span = Span { msecs[i], msecs[i] };
        span->first = std::min(span->first, msecs[i]);
        span->second = std::max(span->second, msecs[i]);
    }
    return span;
}

} // namespace tlv::app
