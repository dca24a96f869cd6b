#pragma once

#include "viewer/core/RowKind.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tlv::journal {

using viewer::RowKind;

[[nodiscard]] QString kindName(RowKind kind);
// "record", "status", "miss", "restart"; false for any other text.
[[nodiscard]] bool kindFromName(const QString &name, RowKind *kind);

// A data column of the grid as the journal keeps it.
struct JournalColumn
{
    int number = 0; // column number in the column table
    QString title;
    qint32 width = 0; // twips
    qint16 dataType = 0;
    QString format;

    bool operator==(const JournalColumn &) const = default;
};

// The buffer the rows of a recording belong to.
struct JournalBuffer
{
    qint64 id = 0;
    QString title;
    QString headerKey;
    qint32 headerVersion = 0;
    QList<JournalColumn> columns;

    [[nodiscard]] bool sameAs(const JournalBuffer &other) const
    {
        return title == other.title && headerKey == other.headerKey
            && headerVersion == other.headerVersion && columns == other.columns;
    }
};

// One row of the grid: what it showed and the values behind it.
struct JournalRow
{
    qint64 id = 0; // 1, 2, 3 ... in the order the grid received them
    qint64 bufferId = 0;
    RowKind kind = RowKind::Record;
    qint64 recordNumber = 0; // the grid's record count
    qint64 pcMillis = 0; // PC receive time, UTC ms since the epoch; 0 when unknown
    QString date; // PC date "dd/mm/yy" as the grid showed it
    QString time; // PC time as the grid showed it
    QString status; // PCD status text, or the separator text
    QStringList cells; // one per data column
    QString raw;
    QString comment;
    bool exported = false;
    // Per data column, like cells: the number the cell shows and its raw value; none for a
    // string cell and on status and separator rows.
    QList<std::optional<double>> numbers;
    QList<std::optional<qint64>> rawValues;
};

// The PC date "dd/mm/yy" and time "hh:mm:ss" of a row as the grid of this machine shows them:
// pcMillis in local time; the kept texts when the time is unknown.
[[nodiscard]] QString shownDate(const JournalRow &row);
[[nodiscard]] QString shownTime(const JournalRow &row);

} // namespace tlv::journal
