#pragma once

#include "buffer/ProjectSettings.h"
#include "buffer/UserColumn.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tlv::common {
class IniText;
} // namespace tlv::common

namespace tlv::buffer {

class UserColumns;

// The trace project file (".tlvr"): settings, buffer type and user buffer.
// Holds the project's module state: path, buffer type, simulation flag and
// the settings record. Numbers that do not fit their key's width or lie outside
// its range (KeyRanges) leave the value as it was and are listed in warnings(),
// never wrapped or used.
class TraceProject
{
public:
    explicit TraceProject(UserColumns &buffer);

    [[nodiscard]] QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    // The generated PCD source beside the project file.
    [[nodiscard]] QString sourcePath() const;

    [[nodiscard]] qint16 bufferType() const { return m_bufferType; }
    void setBufferType(qint16 type) { m_bufferType = type; }
    [[nodiscard]] bool simulation() const { return m_simulation; }
    void setSimulation(bool on) { m_simulation = on; }
    [[nodiscard]] bool configLocked() const { return m_configLocked; }
    [[nodiscard]] bool settingsLocked() const { return m_settingsLocked; }

    [[nodiscard]] ProjectSettings &settings() { return m_settings; }
    [[nodiscard]] const ProjectSettings &settings() const { return m_settings; }
    // The settings as last read or written, for the close question.
    [[nodiscard]] const ProjectSettings &appliedSettings() const { return m_applied; }
    void setAppliedSettings(const ProjectSettings &s) { m_applied = s; }

    [[nodiscard]] UserColumns &buffer() { return m_buffer; }
    [[nodiscard]] const UserColumns &buffer() const { return m_buffer; }

    // Sections "Tolvane", "LOCK", "CONNECTION", then the user buffer. False
    // only for a file without a Version of 1 or more; a missing setting keeps
    // the value in force.
    bool readProject();
    // The same from the text of a project file, which need not be on disk.
    bool readProject(const common::IniText &text);
    // The driver, port, protocol, baud rate and station stored with the
    // settings; readProject() leaves them to PG5. A start outside PG5 takes
    // them back, so the driver chosen there holds. Missing keys keep their value.
    void readDriverSettings();
    // Replaces the current buffer with the one stored in "USER_BUFFER".
    bool readUserBuffer();
    bool readUserBuffer(const common::IniText &text);
    // Sections "Tolvane" and "CONNECTION". With ask, chooseType picks the buffer
    // type first (-1 = cancelled). False with errorString() for the caller to show (critical).
    bool writeSettings(bool ask, const std::function<qint16()> &chooseType = {});
    // "UserBuffer" and the whole "USER_BUFFER" section; sets HeaderType to 1.
    bool writeUserBuffer();
    // The lines of the "USER_BUFFER" section as writeUserBuffer() stores them.
    [[nodiscard]] QStringList userBufferLines() const;

    // Why the last read or write failed.
    [[nodiscard]] QString errorString() const { return m_error; }
    // Values of the last read that were out of range and left as they were.
    [[nodiscard]] QStringList warnings() const { return m_warnings + m_bufferWarnings; }
    // The same, for the user buffer section only.
    [[nodiscard]] const QStringList &bufferWarnings() const { return m_bufferWarnings; }

    // The main window's caption for this project.
    [[nodiscard]] QString caption(const QString &appTitle) const;

    // Low-level access: values are at most 255 characters, "" when missing.
    [[nodiscard]] static QString readValue(
        const QString &file, const QString &section, const QString &key);
    static bool writeValue(
        const QString &file, const QString &section, const QString &key, const QString &value);
    // The section's lines joined by line breaks, every '~' removed; "" when
    // missing or too long for one read.
    [[nodiscard]] static QString readWholeSection(const QString &file, const QString &section);

    // One column as its project file line: eight comma-separated fields.
    [[nodiscard]] static QString columnLine(const UserColumn &column);
    // The reverse; missing fields are "" or 0, commas beyond the eighth field
    // belong to the title. Numeric fields that do not fit
    // or lie outside their range read as 0 and are named in outOfRange
    // ("field 1: 300 (0 to 255)").
    [[nodiscard]] static UserColumn parseColumnLine(
        const QString &line, QStringList *outOfRange = nullptr);

private:
    QString value(const QString &section, const QString &key) const;
    QString value(const char16_t *section, const char16_t *key) const;
    bool readInt16(const char16_t *section, const char16_t *key, qint16 *target, bool emptyKeeps);
    bool readInt32(const char16_t *section, const char16_t *key, qint32 *target, bool emptyKeeps);
    void warnRange(const QString &where, const QString &text);
    bool readUserBufferSection();

    // The text being read, while one is; else every value is read from the file.
    const common::IniText *m_text = nullptr;
    UserColumns &m_buffer;
    QString m_path;
    qint16 m_bufferType = 0;
    bool m_simulation = false;
    bool m_configLocked = false;
    bool m_settingsLocked = false;
    ProjectSettings m_settings;
    ProjectSettings m_applied;
    QString m_error;
    QStringList m_warnings;
    QStringList m_bufferWarnings;
};

} // namespace tlv::buffer
