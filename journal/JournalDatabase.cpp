#include "journal/JournalDatabase.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace tlv::journal {

namespace {

QAtomicInteger<quint64> connections;

const char *const Tables[] = {
    "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE buffers (id INTEGER PRIMARY KEY, title TEXT NOT NULL, header_key TEXT NOT NULL, "
    "header_version INTEGER NOT NULL, opened TEXT NOT NULL)",
    "CREATE TABLE columns (buffer_id INTEGER NOT NULL REFERENCES buffers(id), "
    "position INTEGER NOT NULL, number INTEGER NOT NULL, title TEXT NOT NULL, "
    "width INTEGER NOT NULL, data_type INTEGER NOT NULL, format TEXT NOT NULL, "
    "PRIMARY KEY (buffer_id, position))",
    "CREATE TABLE rows (id INTEGER PRIMARY KEY, buffer_id INTEGER NOT NULL REFERENCES buffers(id), "
    "kind TEXT NOT NULL CHECK (kind IN ('record', 'status', 'miss', 'restart')), "
    "record_number INTEGER NOT NULL, pc_millis INTEGER, pc_date TEXT NOT NULL, "
    "pc_time TEXT NOT NULL, status TEXT NOT NULL, raw TEXT NOT NULL, comment TEXT NOT NULL, "
    "exported INTEGER NOT NULL DEFAULT 0)",
    // Without a rowid the cells of a row lie together in the order they are read back.
    "CREATE TABLE cells (row_id INTEGER NOT NULL REFERENCES rows(id), position INTEGER NOT NULL, "
    "number REAL, raw INTEGER, text TEXT NOT NULL, PRIMARY KEY (row_id, position)) WITHOUT ROWID",
    "CREATE INDEX rows_not_exported ON rows (id) WHERE exported = 0",
};

// SQLite's primary result codes for a locked file.
constexpr int SqliteBusy = 5;
constexpr int SqliteLocked = 6;

} // namespace

JournalDatabase::JournalDatabase()
    : m_name(QStringLiteral("tolvane-journal-") + QString::number(++connections))
{ }

JournalDatabase::~JournalDatabase()
{
    close();
}

void JournalDatabase::close()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    m_open = false;
}

bool JournalDatabase::fail(const QString &text)
{
    m_error = text;
    close();
    return false;
}

QString JournalDatabase::describe(const QSqlError &error)
{
    const QString text = error.driverText().isEmpty() ? error.text() : error.driverText();
    const QString native = error.databaseText();
    return native.isEmpty() || text.contains(native) ? text : native;
}

bool JournalDatabase::isBusy(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    return code == SqliteBusy || code == SqliteLocked;
}

bool JournalDatabase::open(const QString &path, Mode mode)
{
    close();
    m_path = path;
    m_error.clear();
    m_version = SchemaVersion;
    const QString named = QStringLiteral("The journal ") + path;
    const QFileInfo info(path);
    if (mode == Mode::Read && !info.isFile())
        return fail(named + QStringLiteral(" does not exist."));
    if (info.exists() && !info.isFile())
        return fail(named + QStringLiteral(" is no file."));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(named
            + QStringLiteral(" cannot be opened: the SQLite driver of Qt (libqt6sql6-sqlite) is "
                             "not installed."));

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    // A reader holding the file for a moment must not fail a tick; a stuck one must not
    // hold up the reading.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=250"));
    if (!m_db.open())
        return fail(named + QStringLiteral(" cannot be opened: ") + describe(m_db.lastError()));
    m_open = true;

    return checkTables(named, mode) && checkVersion(named, mode)
        && (mode != Mode::Write || prepareWriting(named));
}

// A new file gets the tables; an old one must be a journal.
bool JournalDatabase::checkTables(const QString &named, Mode mode)
{
    QSqlQuery tables(m_db);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        const QSqlError e = tables.lastError();
        if (isBusy(e))
            return fail(named + QStringLiteral(" is locked by another program: ") + describe(e));
        return fail(named + QStringLiteral(" is damaged or no journal: ") + describe(e));
    }
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    tables.finish();

    if (names.isEmpty()) {
        if (mode == Mode::Read)
            return fail(named + QStringLiteral(" holds no rows: it is empty."));
        if (!createTables())
            return fail(named + QStringLiteral(" cannot be created: ") + m_error);
    } else if (!names.contains(QStringLiteral("meta")) || !names.contains(QStringLiteral("rows"))) {
        return fail(named + QStringLiteral(" is no Tolvane journal."));
    }
    return true;
}

bool JournalDatabase::checkVersion(const QString &named, Mode mode)
{
    bool ok = false;
    const int version = meta(QStringLiteral("schema_version")).toInt(&ok);
    if (!ok || version < OldestReadVersion)
        return fail(named + QStringLiteral(" is damaged or no journal: it has no version."));
    if (version > SchemaVersion)
        return fail(named + QStringLiteral(" was written by a newer Tolvane (journal version ")
            + QString::number(version) + QStringLiteral("); this one knows version ")
            + QString::number(SchemaVersion) + QStringLiteral(" and leaves it as it is."));
    // Rows of another layout are never mixed into an old file, nor is it converted.
    if (version < SchemaVersion && mode == Mode::Write)
        return fail(named + QStringLiteral(" was written by an older Tolvane (journal version ")
            + QString::number(version)
            + QStringLiteral(") and is kept read-only; move it away "
                             "to start a new journal there."));
    m_version = version;
    return true;
}

bool JournalDatabase::prepareWriting(const QString &named)
{
    // The log keeps the file whole through a crash; FULL puts every commit on the disk
    // before the next tick reads.
    QSqlQuery wal(m_db);
    if (!wal.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !wal.next()
        || wal.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return fail(
            named + QStringLiteral(" cannot keep a write-ahead log: ") + describe(wal.lastError()));
    wal.finish();
    if (!exec(QStringLiteral("PRAGMA synchronous = FULL")))
        return fail(named + QStringLiteral(" cannot be written: ") + m_error);
    // A time range, or a kept cursor's record, is found without reading every row; a
    // journal written before the indexes existed gets them here, once.
    if (!exec(QStringLiteral("CREATE INDEX IF NOT EXISTS rows_pc_millis ON rows (pc_millis)"))
        || !exec(QStringLiteral(
            "CREATE INDEX IF NOT EXISTS rows_record_number ON rows (record_number)")))
        return fail(named + QStringLiteral(" cannot be written: ") + m_error);
    return true;
}

bool JournalDatabase::createTables()
{
    if (!m_db.transaction()) {
        m_error = describe(m_db.lastError());
        return false;
    }
    for (const char *sql : Tables) {
        if (!exec(QString::fromLatin1(sql))) {
            m_db.rollback();
            return false;
        }
    }
    if (!setMeta(QStringLiteral("schema_version"), QString::number(SchemaVersion))
        || !setMeta(QStringLiteral("application"), QStringLiteral("Tolvane"))
        || !setMeta(QStringLiteral("clean_close"), QStringLiteral("1"))) {
        m_db.rollback();
        return false;
    }
    if (!m_db.commit()) {
        m_error = describe(m_db.lastError());
        m_db.rollback();
        return false;
    }
    return true;
}

bool JournalDatabase::exec(const QString &sql)
{
    QSqlQuery query(m_db);
    if (query.exec(sql))
        return true;
    m_error = describe(query.lastError());
    return false;
}

bool JournalDatabase::exec(QSqlQuery &query, const QString &what)
{
    if (query.exec())
        return true;
    m_error = what + QStringLiteral(": ") + describe(query.lastError());
    return false;
}

QString JournalDatabase::meta(const QString &key)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"));
    query.addBindValue(key);
    if (!query.exec() || !query.next())
        return {};
    return query.value(0).toString();
}

bool JournalDatabase::setMeta(const QString &key, const QString &value)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"));
    query.addBindValue(key);
    query.addBindValue(value);
    return exec(query, QStringLiteral("meta"));
}

} // namespace tlv::journal
