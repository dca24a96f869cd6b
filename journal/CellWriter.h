#pragma once

#include "journal/JournalTypes.h"

#include <QString>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace tlv::journal {

// Writes the cells of journal rows on the journal's own connection, through SQLite's
// interface: Qt's binding makes a placeholder name for every value it binds, which costs
// more than the insert itself, and a tick of 128 columns binds thousands.
class CellWriter
{
public:
    CellWriter() = default;
    ~CellWriter();
    CellWriter(const CellWriter &) = delete;
    CellWriter &operator=(const CellWriter &) = delete;

    // Prepares the insert on the connection of db; false with errorString().
    bool prepare(QSqlDatabase &db);
    // Lets go of the statement; before the connection closes.
    void finish();
    // Inserts the cells of row in the open transaction; false with errorString().
    bool write(const JournalRow &row);
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    // Cells a statement takes at once.
    static constexpr int Group = 32;

    bool fail(sqlite3_stmt *statement);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_single = nullptr;
    sqlite3_stmt *m_group = nullptr;
    QString m_error;
};

} // namespace tlv::journal
