#include "viewer/core/FetchOrder.h"

using namespace Qt::StringLiterals;

namespace tlv::viewer {

FetchOrder FetchOrder::plan(
    qint32 recordsToFetch, qint32 capacity, qint32 lastSlot, qint32 available)
{
    FetchOrder order;
    if (recordsToFetch <= 0)
        return order;
    const qint32 present = qBound(0, available, recordsToFetch);
    if (recordsToFetch == capacity) {
        const qint32 last = qBound(-1, lastSlot, capacity - 1);
        order.records.reserve(present);
        for (qint32 slot = last + 2; slot < present; ++slot)
            order.records.append(slot);
        for (qint32 slot = 0; slot <= last && slot < present; ++slot)
            order.records.append(slot);
        order.expected = capacity - 1;
        return order;
    }
    order.records.reserve(present);
    for (qint32 i = 0; i < present; ++i)
        order.records.append(i);
    order.expected = recordsToFetch;
    return order;
}

CheckResult FetchOrder::completeness(qint32 decoded) const
{
    if (decoded >= expected)
        return {};
    return CheckResult::failure(12,
        QString::number(decoded) + u" from "_s + QString::number(expected) + u" records loaded."_s);
}

} // namespace tlv::viewer
