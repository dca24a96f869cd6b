#pragma once

#include <QSqlDatabase>
#include <QString>

class QSqlError;
class QSqlQuery;

namespace tlv::journal {

// One connection to a journal file: opens it, creates the tables of a new one and
// refuses a file that is damaged, locked, no journal or from a newer version, with a
// text that says which. Each object has a connection of its own, so writers and
// readers of the same file live side by side. Journals of an older version are read but
// never written.
class JournalDatabase
{
public:
    static constexpr int SchemaVersion = 2;
    // The oldest version still read: its values were kept as tab-joined texts.
    static constexpr int OldestReadVersion = 1;
    enum class Mode {
        Write, // creates the file when missing; write-ahead log
        Read, // the file must exist and hold a journal
    };

    JournalDatabase();
    ~JournalDatabase();
    JournalDatabase(const JournalDatabase &) = delete;
    JournalDatabase &operator=(const JournalDatabase &) = delete;

    bool open(const QString &path, Mode mode);
    void close();
    [[nodiscard]] bool isOpen() const { return m_open; }
    [[nodiscard]] QSqlDatabase &db() { return m_db; }
    [[nodiscard]] QString path() const { return m_path; }
    // The version of the open journal's tables.
    [[nodiscard]] int version() const { return m_version; }
    [[nodiscard]] bool readOnly() const { return m_version < SchemaVersion; }
    // Why the last failing step failed, in words for the user.
    [[nodiscard]] QString errorString() const { return m_error; }

    // Runs one statement; false with errorString() set.
    bool exec(const QString &sql);
    bool exec(QSqlQuery &query, const QString &what);
    [[nodiscard]] QString meta(const QString &key);
    bool setMeta(const QString &key, const QString &value);

    // "database is locked" and the like, for the messages.
    [[nodiscard]] static QString describe(const QSqlError &error);
    [[nodiscard]] static bool isBusy(const QSqlError &error);

private:
    bool fail(const QString &text);
    bool createTables();
    // The steps of open after the file is open; named starts their messages.
    bool checkTables(const QString &named, Mode mode);
    bool checkVersion(const QString &named, Mode mode);
    bool prepareWriting(const QString &named);

    QSqlDatabase m_db;
    QString m_name;
    QString m_path;
    QString m_error;
    int m_version = SchemaVersion;
    bool m_open = false;
};

} // namespace tlv::journal
