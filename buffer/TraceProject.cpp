#include "buffer/TraceProject.h"

#include "buffer/BufferType.h"
#include "buffer/ExportPath.h"
#include "buffer/KeyRanges.h"
#include "buffer/NumberText.h"
#include "buffer/SourceGenerator.h"
#include "buffer/UserColumns.h"
#include "common/IniProfile.h"

#include <QScopeGuard>

namespace tlv::buffer {

namespace {

const QString SecTolvane = QStringLiteral("Tolvane");
const QString SecLock = QStringLiteral("LOCK");
const QString SecConnection = QStringLiteral("CONNECTION");
const QString SecUserBuffer = QStringLiteral("USER_BUFFER");

QString num(qint64 v)
{
    return QString::number(v);
}

// A value reads back trimmed and without one pair of matching quotes around
// it; such a value is written inside double quotes, so that it reads back whole
// (a header key " AB " would otherwise come back as "AB", not the PCD's key).
QString quotedIfNeeded(const QString &text)
{
    const bool blanks = !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
    const bool quoted = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'')
        && text.back() == text.front();
    return blanks || quoted ? u'"' + text + u'"' : text;
}

// Values are cut at the first NUL, as the platform hands them back.
QString beforeNul(QString v)
{
    const qsizetype nul = v.indexOf(QChar(0));
    if (nul >= 0)
        v.truncate(nul);
    return v;
}

// The number of text, when it fits T and the key's range; else why not.
template<typename T>
std::optional<T> inRange(const QString &section, const QString &key, const QString &text,
    std::optional<T> (*narrow)(double), QString *why)
{
    const double v = leadingNumber(text);
    const std::optional<T> n = narrow(v);
    const KeyRange *range = KeyRange::find(section, key);
    if (n && (!range || range->contains(*n)))
        return n;
    *why = text.trimmed();
    if (range)
        *why += QStringLiteral(" (") + range->text() + u')';
    return std::nullopt;
}

} // namespace

TraceProject::TraceProject(UserColumns &buffer)
    : m_buffer(buffer)
{ }

QString TraceProject::sourcePath() const
{
    return SourceGenerator::sourcePathFor(m_path);
}

QString TraceProject::value(const QString &section, const QString &key) const
{
    return m_text ? beforeNul(m_text->read(section, key)) : readValue(m_path, section, key);
}

QString TraceProject::value(const char16_t *section, const char16_t *key) const
{
    return value(QString::fromUtf16(section), QString::fromUtf16(key));
}

void TraceProject::warnRange(const QString &where, const QString &text)
{
    m_warnings.append(QStringLiteral("Value out of range in %1: %2").arg(where, text));
}

bool TraceProject::readInt16(
    const char16_t *section, const char16_t *key, qint16 *target, bool emptyKeeps)
{
    const QString text = value(section, key);
    if (text.isEmpty()) {
        if (!emptyKeeps)
            *target = 0;
        return false;
    }
    QString why;
    if (const auto v = inRange<qint16>(
            QString::fromUtf16(section), QString::fromUtf16(key), text, &toInt16, &why))
        *target = *v;
    else
        warnRange(QString::fromUtf16(key), why);
    return true;
}

bool TraceProject::readInt32(
    const char16_t *section, const char16_t *key, qint32 *target, bool emptyKeeps)
{
    const QString text = value(section, key);
    if (text.isEmpty()) {
        if (!emptyKeeps)
            *target = 0;
        return false;
    }
    QString why;
    if (const auto v = inRange<qint32>(
            QString::fromUtf16(section), QString::fromUtf16(key), text, &toInt32, &why))
        *target = *v;
    else
        warnRange(QString::fromUtf16(key), why);
    return true;
}

bool TraceProject::readProject()
{
    // One read of the file for all its keys.
    return readProject(common::IniText::fromFile(m_path));
}

bool TraceProject::readProject(const common::IniText &text)
{
    m_text = &text;
    const auto done = qScopeGuard([this] { m_text = nullptr; });
    m_error.clear();
    m_warnings.clear();
    const QString version = value(u"Tolvane", u"Version");
    if (leadingNumber(version) < 1) {
        m_error = QStringLiteral("No valid version in the file : ") + m_path;
        return false;
    }

    m_configLocked = leadingNumber(value(u"LOCK", u"LockConfig")) > 0;
    m_settingsLocked = leadingNumber(value(u"LOCK", u"LockSettings")) > 0;

    ConnectionSettings &c = m_settings.connection;
    readInt16(u"CONNECTION", u"PCDRegistery", &c.pcdRegistery, true);
    readInt16(u"CONNECTION", u"AutoConnect", &c.autoConnect, true);

    const QString options = value(u"CONNECTION", u"Options");
    if (!options.isEmpty()) {
        // One digit per flag; a missing digit reads as 0.
        const auto flag
            = [&](int i) { return qint16(toInt16(leadingNumber(options.mid(i, 1))).value_or(0)); };
        m_settings.dateColumn = flag(0);
        m_settings.timeColumn = flag(1);
        m_settings.statusColumn = flag(2);
    }

    // A missing MaxRows or StartReg keeps the value in force: refusing the file
    // would have it rewritten with defaults and lose every other setting in it.
    readInt32(u"CONNECTION", u"MaxRows", &m_settings.maxRows, true);
    readInt32(u"CONNECTION", u"MaxGraph", &m_settings.maxGraph, true);
    m_settings.exportFile = exportPathToAbsolute(value(u"CONNECTION", u"ExportFile"), m_path);
    readInt16(u"CONNECTION", u"AutoExport", &m_settings.autoExport, false);
    readInt16(u"CONNECTION", u"IndexFile", &m_settings.indexFile, false);
    readInt16(u"CONNECTION", u"Journal", &m_settings.journal, false);

    readInt16(u"CONNECTION", u"StartReg", &c.startReg, true);
    readInt32(u"CONNECTION", u"ReadInterval", &c.readInterval, true);

    if (!m_simulation)
        m_applied = m_settings;
    return readUserBufferSection();
}

void TraceProject::readDriverSettings()
{
    ConnectionSettings &c = m_settings.connection;
    readInt16(u"CONNECTION", u"DLL", &c.dll, true);
    readInt16(u"CONNECTION", u"COM", &c.com, true);
    readInt16(u"CONNECTION", u"Protocol", &c.protocol, true);
    readInt32(u"CONNECTION", u"Baudrate", &c.baudrate, true);
    readInt16(u"CONNECTION", u"Station", &c.station, true);
    // What was read is what a save compares with.
    ConnectionSettings &applied = m_applied.connection;
    applied.dll = c.dll;
    applied.com = c.com;
    applied.protocol = c.protocol;
    applied.baudrate = c.baudrate;
    applied.station = c.station;
}

bool TraceProject::readUserBuffer()
{
    return readUserBuffer(common::IniText::fromFile(m_path));
}

bool TraceProject::readUserBuffer(const common::IniText &text)
{
    m_text = &text;
    const auto done = qScopeGuard([this] { m_text = nullptr; });
    return readUserBufferSection();
}

bool TraceProject::readUserBufferSection()
{
    m_error.clear();
    m_bufferWarnings.clear();
    // Range problems of the keys below belong to the buffer.
    const QStringList settingsWarnings = m_warnings;
    m_warnings.clear();
    UserColumns &b = m_buffer;
    b.clear();
    b.applyNewBufferDefaults();

    m_bufferType = 0;
    readInt16(u"Tolvane", u"UserBuffer", &m_bufferType, false);
    if (m_simulation)
        m_bufferType = BufferType::Configured;

    if (m_bufferType == BufferType::Configured) {
        b.setEnable(1);
        b.setTitle(value(u"USER_BUFFER", u"Title"));
        const QString headerKey = value(u"USER_BUFFER", u"HeaderKey");
        if (!headerKey.isEmpty())
            b.setHeaderKey(headerKey);
        qint16 headerType = b.headerType();
        readInt16(u"USER_BUFFER", u"HeaderType", &headerType, true);
        b.setHeaderType(headerType);
        b.setStartReg(value(u"USER_BUFFER", u"StartReg"));
        qint16 recordInt = qint16(b.recordInt());
        readInt16(u"USER_BUFFER", u"RecordInterval", &recordInt, true);
        b.setRecordInt(recordInt);
        b.setRecordEnable(value(u"USER_BUFFER", u"RecordEnable"));
        b.setRecordCommand(value(u"USER_BUFFER", u"RecordCommand"));
        b.setClearBuf(value(u"USER_BUFFER", u"ClearBuf"));
        b.setCloseTlv(value(u"USER_BUFFER", u"CloseTlv"));
        b.setSerialNr(value(u"USER_BUFFER", u"SerialNr"));
        qint16 v = 0;
        readInt16(u"USER_BUFFER", u"RecordChange", &v, false);
        b.setRecordChange(v);
        v = 0;
        readInt16(u"USER_BUFFER", u"RecordMemory", &v, false);
        b.setMemory(v);
        v = b.recordLen();
        readInt16(u"USER_BUFFER", u"RecordLenght", &v, true);
        b.setRecordLen(v);
        v = b.bufferLen();
        readInt16(u"USER_BUFFER", u"RecordNumber", &v, true);
        b.setBufferLen(v);
        v = 0;
        readInt16(u"USER_BUFFER", u"Column", &v, false);
        b.setColumn(v);

        for (int i = 1; i <= b.column(); ++i) {
            const QString key = QStringLiteral("Column") + num(i);
            const QString line = value(SecUserBuffer, key);
            if (line.isEmpty())
                continue;
            QStringList problems;
            b.add(parseColumnLine(line, &problems));
            for (const QString &problem : std::as_const(problems))
                warnRange(key + u' ' + problem, line);
        }
        if (b.column() == 0)
            b.add(UserColumn::defaultColumn());
    }
    m_bufferWarnings = m_warnings;
    m_warnings = settingsWarnings;
    b.setChanged(false);
    return true;
}

QString TraceProject::columnLine(const UserColumn &c)
{
    return num(c.RecPlace) + u',' + c.DataType + u',' + num(c.DataPos) + u',' + c.Variable + u','
        + num(c.Width) + u',' + c.Title + u',' + c.Format + u',' + num(c.Delta);
}

UserColumn TraceProject::parseColumnLine(const QString &line, QStringList *outOfRange)
{
    QStringList f = line.split(u',');
    // Titles are free text and other programs store commas in them unquoted;
    // the fields around the title hold none, so the extra fields are its own.
    if (f.size() > 8) {
        const qsizetype extra = f.size() - 8;
        const QString title = f.mid(5, extra + 1).join(u',');
        f.remove(5, extra + 1);
        f.insert(5, title);
    }
    const auto field = [&](int i) { return i < f.size() ? f.at(i) : QString(); };
    const auto number = [&](int i, auto narrow) {
        const QString name = QStringLiteral("field %1").arg(i + 1);
        QString why;
        const auto v = inRange(QStringLiteral("Column"), name, field(i), narrow, &why);
        if (!v && outOfRange)
            outOfRange->append(name + QStringLiteral(": ") + why);
        return v.value_or(0);
    };
    const auto int16At = [&](int i) { return number(i, &toInt16); };
    const auto int32At = [&](int i) { return number(i, &toInt32); };
    UserColumn c;
    c.RecPlace = int16At(0);
    c.DataType = field(1);
    c.DataPos = int16At(2);
    c.Variable = field(3);
    c.Width = int32At(4);
    c.Title = field(5);
    c.Format = field(6);
    c.Delta = int32At(7);
    return c;
}

bool TraceProject::writeSettings(bool ask, const std::function<qint16()> &chooseType)
{
    m_error.clear();
    if (ask) {
        m_bufferType = chooseType ? chooseType() : BufferType::Cancelled;
        if (m_bufferType == BufferType::Cancelled) {
            m_error = QStringLiteral("The Tolvane File will not be created !");
            return false;
        }
    }
    const ConnectionSettings &c = m_settings.connection;
    const ProjectSettings &s = m_settings;
    const struct
    {
        const QString &section;
        const char16_t *key;
        QString value;
    } entries[] = {
        { SecTolvane, u"Version", QStringLiteral("2") },
        { SecTolvane, u"UserBuffer", num(m_bufferType) },
        { SecConnection, u"DLL", num(c.dll) },
        { SecConnection, u"COM", num(c.com) },
        { SecConnection, u"Protocol", num(c.protocol) },
        { SecConnection, u"Baudrate", num(c.baudrate) },
        { SecConnection, u"Station", num(c.station) },
        { SecConnection, u"StartReg", num(c.startReg) },
        { SecConnection, u"AutoConnect", num(c.autoConnect) },
        { SecConnection, u"PCDRegistery", num(c.pcdRegistery) },
        { SecConnection, u"ReadInterval", num(c.readInterval) },
        { SecConnection, u"Options", num(s.dateColumn) + num(s.timeColumn) + num(s.statusColumn) },
        { SecConnection, u"MaxRows", num(s.maxRows) },
        { SecConnection, u"MaxGraph", num(s.maxGraph) },
        { SecConnection, u"ExportFile", exportPathToStored(s.exportFile, m_path) },
        { SecConnection, u"AutoExport", num(s.autoExport) },
        { SecConnection, u"IndexFile", num(s.indexFile) },
        { SecConnection, u"Journal", num(s.journal) },
    };
    for (const auto &e : entries) {
        if (!writeValue(m_path, e.section, QString::fromUtf16(e.key), e.value)) {
            m_error = QStringLiteral("Writing aborted in the file : ") + m_path;
            return false;
        }
    }
    m_applied = m_settings;
    return true;
}

bool TraceProject::writeUserBuffer()
{
    m_error.clear();
    UserColumns &b = m_buffer;
    b.setHeaderType(1);
    if (!writeValue(m_path, SecTolvane, QStringLiteral("UserBuffer"), num(m_bufferType))) {
        m_error = QStringLiteral("Writing aborted in the file : ") + m_path;
        return false;
    }
    const QStringList lines = userBufferLines();
    // One write replaces the section in every copy: a full disk leaves the former list whole.
    if (!common::IniProfile::writeSection(m_path, SecUserBuffer, lines)) {
        m_error = QStringLiteral("Writing aborted in the file : ") + m_path;
        return false;
    }
    return true;
}

QStringList TraceProject::userBufferLines() const
{
    const UserColumns &b = m_buffer;
    QStringList lines = {
        u"Title=" + quotedIfNeeded(b.title()),
        u"HeaderKey=" + quotedIfNeeded(b.headerKey()),
        u"HeaderType=" + num(b.headerType()),
        u"StartReg=" + quotedIfNeeded(b.startReg()),
        u"RecordInterval=" + num(b.recordInt()),
        u"RecordEnable=" + quotedIfNeeded(b.recordEnable()),
        u"RecordCommand=" + quotedIfNeeded(b.recordCommand()),
        u"ClearBuf=" + quotedIfNeeded(b.clearBuf()),
        u"CloseTlv=" + quotedIfNeeded(b.closeTlv()),
        u"SerialNr=" + quotedIfNeeded(b.serialNr()),
        u"RecordChange=" + num(b.recordChange()),
        u"RecordMemory=" + num(b.memory()),
        u"RecordLenght=" + num(b.recordLen()),
        u"RecordNumber=" + num(b.bufferLen()),
        u"Column=" + num(b.count()),
    };
    for (int i = 1; i <= b.count(); ++i)
        lines.append(u"Column" + num(i) + u'=' + columnLine(*b.item(i)));
    return lines;
}

QString TraceProject::caption(const QString &appTitle) const
{
    if (m_simulation)
        return appTitle + QStringLiteral("  Simulation Mode Running !");
    return appTitle + QStringLiteral("  [") + m_path + u']';
}

QString TraceProject::readValue(const QString &file, const QString &section, const QString &key)
{
    return beforeNul(common::IniProfile::read(file, section, key));
}

bool TraceProject::writeValue(
    const QString &file, const QString &section, const QString &key, const QString &value)
{
    return common::IniProfile::write(file, section, key, value);
}

QString TraceProject::readWholeSection(const QString &file, const QString &section)
{
    const QStringList lines = common::IniProfile::readSection(file, section);
    // The platform hands a section back as NUL-separated lines in one buffer
    // of 32767 characters; a section that fills it is not trusted.
    qsizetype length = 0;
    for (const QString &l : lines)
        length += l.size() + 1;
    if (length < 1 || length >= 32765)
        return {};
    QString text = lines.join(QStringLiteral("\r\n"));
    text.remove(u'~');
    return text;
}

} // namespace tlv::buffer
