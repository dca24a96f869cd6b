#pragma once

#include "viewer/core/RecordDecoder.h"

#include <optional>

namespace tlv::viewer::test {

// One cell of a hand-made record: a number-showing cell (text and number), a
// text cell with its numeric value, or a string (no number, its text as raw).
struct Cell
{
    QString text;
    std::optional<double> number = std::nullopt;
    qint64 raw = 0;
    QString comment = {};
    bool string = false;
};

inline Cell num(double value, const QString &text = {})
{
    return { text.isEmpty() ? QString::number(value) : text, value, qint64(value) };
}

inline Cell str(const QString &text)
{
    return { text, std::nullopt, 0, {}, true };
}

// The record the decoder would give for these cells.
inline DecodedRecord record(
    const QList<Cell> &cells, const QString &date = {}, const QString &time = {}, qint64 msecs = 0)
{
    DecodedRecord r;
    r.ok = true;
    r.date = date;
    r.time = time;
    r.msecs = msecs;
    for (const Cell &c : cells)
        r.appendColumn(
            0, c.text, c.string ? c.text : QString::number(c.raw), c.raw, c.number, c.comment);
    return r;
}

} // namespace tlv::viewer::test
