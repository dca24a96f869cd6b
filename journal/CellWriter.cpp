#include "journal/CellWriter.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace tlv::journal {

CellWriter::~CellWriter()
{
    finish();
}

bool CellWriter::prepare(QSqlDatabase &db)
{
    finish();
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        m_error = QStringLiteral("the SQLite driver gives no connection");
        return false;
    }
    m_db = *static_cast<sqlite3 *const *>(handle.constData());
    const auto insert = [this](int cells, sqlite3_stmt **statement) {
        QByteArray sql = "INSERT INTO cells (row_id, position, number, raw, text) VALUES ";
        for (int i = 0; i < cells; ++i)
            sql += i == 0 ? "(?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?)";
        return sqlite3_prepare_v3(m_db, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                   statement, nullptr)
            == SQLITE_OK;
    };
    if (!m_db || !insert(1, &m_single) || !insert(Group, &m_group))
        return fail(nullptr);
    return true;
}

void CellWriter::finish()
{
    sqlite3_finalize(m_single);
    sqlite3_finalize(m_group);
    m_single = nullptr;
    m_group = nullptr;
    m_db = nullptr;
}

bool CellWriter::fail(sqlite3_stmt *statement)
{
    m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no connection");
    if (statement)
        sqlite3_reset(statement);
    return false;
}

bool CellWriter::write(const JournalRow &row)
{
    if (!m_group) {
        m_error = QStringLiteral("no statement");
        return false;
    }
    // Whole groups first: one statement's own cost for many cells.
    qsizetype i = 0;
    while (i < row.cells.size()) {
        const bool group = row.cells.size() - i >= Group;
        sqlite3_stmt *statement = group ? m_group : m_single;
        const qsizetype end = i + (group ? Group : 1);
        for (int at = 1; i < end; ++i, at += 5) {
            const std::optional<double> number = row.numbers.value(i);
            const std::optional<qint64> raw = row.rawValues.value(i);
            const QString &text = row.cells[i];
            // A NaN goes in as NULL: SQLite keeps no NaN. The row outlives the step: the
            // text is not copied.
            const bool bound = sqlite3_bind_int64(statement, at, row.id) == SQLITE_OK
                && sqlite3_bind_int64(statement, at + 1, i) == SQLITE_OK
                && (number ? sqlite3_bind_double(statement, at + 2, *number)
                           : sqlite3_bind_null(statement, at + 2))
                    == SQLITE_OK
                && (raw ? sqlite3_bind_int64(statement, at + 3, *raw)
                        : sqlite3_bind_null(statement, at + 3))
                    == SQLITE_OK
                && sqlite3_bind_text16(
                       statement, at + 4, text.utf16(), int(text.size() * 2), SQLITE_STATIC)
                    == SQLITE_OK;
            if (!bound)
                return fail(statement);
        }
        if (sqlite3_step(statement) != SQLITE_DONE)
            return fail(statement);
        sqlite3_reset(statement);
    }
    return true;
}

} // namespace tlv::journal
