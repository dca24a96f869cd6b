#include "buffer/TraceProject.h"

#include "buffer/BufferType.h"
#include "buffer/ExportPath.h"
#include "buffer/NumberText.h"
#include "buffer/SourceGenerator.h"
#include "buffer/UserColumns.h"
#include "common/IniProfile.h"
#include "common/Prompter.h"

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

} // namespace

TraceProject::TraceProject(UserColumns &buffer)
    : m_buffer(buffer)
{ }

QString TraceProject::sourcePath() const
{
    return SourceGenerator::sourcePathFor(m_path);
}

QString TraceProject::value(const char16_t *section, const char16_t *key) const
{
    return readValue(m_path, QString::fromUtf16(section), QString::fromUtf16(key));
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
    if (const auto v = toInt16(leadingNumber(text)))
        *target = *v;
    else
        warnRange(QString::fromUtf16(key), text);
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
    if (const auto v = toInt32(leadingNumber(text)))
        *target = *v;
    else
        warnRange(QString::fromUtf16(key), text);
    return true;
}

bool TraceProject::readProject()
{
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
    return readUserBuffer();
}

bool TraceProject::readUserBuffer()
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
            const QString line = readValue(m_path, SecUserBuffer, key);
            if (line.isEmpty())
                continue;
            QStringList problems;
            b.add(parseColumnLine(line, &problems));
            for (const QString &field : std::as_const(problems))
                warnRange(key + u' ' + field, line);
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
    const auto int16At = [&](int i) -> qint16 {
        const QString t = field(i);
        if (const auto v = toInt16(leadingNumber(t)))
            return *v;
        if (outOfRange)
            outOfRange->append(QStringLiteral("field %1").arg(i + 1));
        return 0;
    };
    const auto int32At = [&](int i) -> qint32 {
        const QString t = field(i);
        if (const auto v = toInt32(leadingNumber(t)))
            return *v;
        if (outOfRange)
            outOfRange->append(QStringLiteral("field %1").arg(i + 1));
        return 0;
    };
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

bool TraceProject::writeSettings(
    bool ask, common::Prompter &prompter, const std::function<qint16()> &chooseType)
{
    m_error.clear();
    if (ask) {
        m_bufferType = chooseType ? chooseType() : BufferType::Cancelled;
        if (m_bufferType == BufferType::Cancelled) {
            m_error = QStringLiteral("The Tolvane File will not be created !");
            prompter.message(m_error, QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
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
            prompter.message(m_error, QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
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
    QStringList lines = {
        u"Title=" + b.title(),
        u"HeaderKey=" + b.headerKey(),
        u"HeaderType=" + num(b.headerType()),
        u"StartReg=" + b.startReg(),
        u"RecordInterval=" + num(b.recordInt()),
        u"RecordEnable=" + b.recordEnable(),
        u"RecordCommand=" + b.recordCommand(),
        u"ClearBuf=" + b.clearBuf(),
        u"CloseTlv=" + b.closeTlv(),
        u"SerialNr=" + b.serialNr(),
        u"RecordChange=" + num(b.recordChange()),
        u"RecordMemory=" + num(b.memory()),
        u"RecordLenght=" + num(b.recordLen()),
        u"RecordNumber=" + num(b.bufferLen()),
        u"Column=" + num(b.count()),
    };
    for (int i = 1; i <= b.count(); ++i)
        lines.append(u"Column" + num(i) + u'=' + columnLine(*b.item(i)));
    // Erased first so no column line of a longer former list survives, in any copy of the section.
    if (!eraseSection(m_path, SecUserBuffer)
        || !common::IniProfile::writeSection(m_path, SecUserBuffer, lines)) {
        m_error = QStringLiteral("Writing aborted in the file : ") + m_path;
        return false;
    }
    return true;
}

QString TraceProject::caption(const QString &appTitle) const
{
    if (m_simulation)
        return appTitle + QStringLiteral("  Simulation Mode Running !");
    return appTitle + QStringLiteral("  [") + m_path + u']';
}

QString TraceProject::readValue(const QString &file, const QString &section, const QString &key)
{
    QString v = common::IniProfile::read(file, section, key);
    const qsizetype nul = v.indexOf(QChar(0));
    if (nul >= 0)
        v.truncate(nul);
    return v;
}

bool TraceProject::writeValue(
    const QString &file, const QString &section, const QString &key, const QString &value)
{
    return common::IniProfile::write(file, section, key, value);
}

bool TraceProject::eraseSection(const QString &file, const QString &section)
{
    return common::IniProfile::eraseSection(file, section);
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
