#include "common/IniProfile.h"

#include "common/CommonLog.h"
#include "common/Cp1252.h"
#include "common/SaveTarget.h"

#include <QFile>
#include <QList>

namespace tlv::common {

namespace {

const QByteArray Crlf = QByteArrayLiteral("\r\n");

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One physical line; untouched lines are written back from bytes and eol as read.
struct Line
{
    enum class Kind { Blank, Comment, Section, Entry };

    QByteArray bytes;
    QByteArray eol;
    Kind kind = Kind::Blank;
    QString name; // section name or key
    QString value;
    bool hasEquals = false;

    static Line parse(const QByteArray &bytes, const QByteArray &eol)
    {
        Line line;
        line.bytes = bytes;
        line.eol = eol;
        const QString text = fromCp1252(bytes).trimmed();
        if (text.isEmpty()) {
            line.kind = Kind::Blank;
        } else if (text.startsWith(u';')) {
            line.kind = Kind::Comment;
        } else if (text.startsWith(u'[')) {
            line.kind = Kind::Section;
            const qsizetype close = text.indexOf(u']');
            line.name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        } else {
            line.kind = Kind::Entry;
            const qsizetype eq = text.indexOf(u'=');
            line.hasEquals = eq >= 0;
            line.name = (eq < 0 ? text : text.left(eq)).trimmed();
            line.value = eq < 0 ? QString() : text.mid(eq + 1).trimmed();
        }
        return line;
    }

    static Line make(const QString &text) { return parse(toCp1252(text), Crlf); }
};

// The whole file as lines; every call loads it afresh and saves it in one piece.
class Document
{
public:
    // False only when the file exists but cannot be read; a missing file is empty.
    bool load(const QString &path)
    {
        m_lines.clear();
        QFile file(path);
        if (!file.exists())
            return true;
        if (!file.open(QIODevice::ReadOnly))
            return false;
        parse(file.readAll());
        return true;
    }

    void parse(const QByteArray &data)
    {
        m_lines.clear();
        qsizetype start = 0;
        while (start < data.size()) {
            qsizetype lf = data.indexOf('\n', start);
            qsizetype end = lf < 0 ? data.size() : lf;
            qsizetype contentEnd = end;
            if (lf >= 0 && end > start && data[end - 1] == '\r')
                --contentEnd;
            const QByteArray eol
                = lf < 0 ? QByteArray() : data.mid(contentEnd, lf + 1 - contentEnd);
            m_lines.append(Line::parse(data.mid(start, contentEnd - start), eol));
            start = lf < 0 ? data.size() : lf + 1;
        }
    }

    bool save(const QString &path) const
    {
        QByteArray content;
        for (const Line &line : m_lines)
            content += line.bytes + line.eol;
        // A write that fails leaves the target as it was.
        SaveTarget file;
        if (!file.open(path) || !file.write(content) || !file.commit()) {
            qCInfo(lcCommon) << "cannot write" << path << ":" << file.errorString();
            return false;
        }
        return true;
    }

    const QList<Line> &lines() const { return m_lines; }

    qsizetype findSection(const QString &section, qsizetype from = 0) const
    {
        for (qsizetype i = from; i < m_lines.size(); ++i) {
            if (m_lines[i].kind == Line::Kind::Section && sameName(m_lines[i].name, section))
                return i;
        }
        return -1;
    }

    // One past the section's last line: the next header or the end of the file.
    qsizetype sectionEnd(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < m_lines.size() && m_lines[i].kind != Line::Kind::Section)
            ++i;
        return i;
    }

    // One past the section's last non-blank line, so trailing blank lines stay
    // between it and the next section.
    qsizetype sectionContentEnd(qsizetype header) const
    {
        qsizetype end = sectionEnd(header);
        while (end > header + 1 && m_lines[end - 1].kind == Line::Kind::Blank)
            --end;
        return end;
    }

    qsizetype findKey(qsizetype header, const QString &key) const
    {
        const qsizetype end = sectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            if (m_lines[i].kind == Line::Kind::Entry && sameName(m_lines[i].name, key))
                return i;
        }
        return -1;
    }

    void insert(qsizetype at, const QList<Line> &lines)
    {
        // The line before may be the file's last one without a line end.
        if (at > 0 && m_lines[at - 1].eol.isEmpty())
            m_lines[at - 1].eol = Crlf;
        for (qsizetype i = 0; i < lines.size(); ++i)
            m_lines.insert(at + i, lines[i]);
    }

    void replace(qsizetype at, const Line &line)
    {
        Line replaced = line;
        replaced.eol = m_lines[at].eol;
        m_lines[at] = replaced;
    }

    void remove(qsizetype from, qsizetype to) { m_lines.remove(from, to - from); }

private:
    QList<Line> m_lines;
};

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

// Names that would read back as something else are refused rather than written.
bool validSection(const QString &section)
{
    return !section.trimmed().isEmpty() && !hasLineBreak(section) && !section.contains(u']');
}

bool validKey(const QString &key)
{
    const QString name = key.trimmed();
    return !name.isEmpty() && !hasLineBreak(key) && !name.contains(u'=') && !name.startsWith(u'[')
        && !name.startsWith(u';');
}

bool validSectionLine(const QString &line)
{
    const QString text = line.trimmed();
    return !hasLineBreak(line) && !text.startsWith(u'[');
}

Line sectionHeader(const QString &section)
{
    return Line::make(u'[' + section.trimmed() + u']');
}

Line entry(const QString &key, const QString &value)
{
    return Line::make(key.trimmed() + u'=' + value);
}

} // namespace

QString IniProfile::read(const QString &file, const QString &section, const QString &key,
    const QString &defaultValue, int maxChars)
{
    return IniText::fromFile(file).read(section, key, defaultValue, maxChars);
}

QStringList IniProfile::readSection(const QString &file, const QString &section)
{
    return IniText::fromFile(file).readSection(section);
}

QStringList IniProfile::sections(const QString &file)
{
    return IniText::fromFile(file).sections();
}

IniText::IniText(const QByteArray &data)
{
    Document doc;
    doc.parse(data);
    for (const Line &line : doc.lines()) {
        if (line.kind == Line::Kind::Section)
            m_sections.append(Section { line.name, {} });
        else if (line.kind == Line::Kind::Entry && !m_sections.isEmpty())
            m_sections.last().entries.append(
                line.hasEquals ? QStringList { line.name, line.value } : QStringList { line.name });
    }
}

IniText IniText::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return IniText(file.readAll());
}

QString IniText::read(
    const QString &section, const QString &key, const QString &defaultValue, int maxChars) const
{
    const qsizetype limit = qMax(0, maxChars);
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (keyName.isEmpty())
        return defaultValue.left(limit);
    // The first section of the name holds the key, or no section does.
    for (const Section &s : m_sections) {
        if (!sameName(s.name, sectionName))
            continue;
        for (const QStringList &entry : s.entries) {
            if (!sameName(entry.first(), keyName))
                continue;
            // Windows drops one pair of matching quotes around a value, so a path
            // written as "C:\My files\a.xls" reads without them.
            QString value = entry.value(1);
            if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
                && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            return value.left(limit);
        }
        break;
    }
    return defaultValue.left(limit);
}

QStringList IniText::readSection(const QString &section) const
{
    QStringList result;
    const QString sectionName = section.trimmed();
    for (const Section &s : m_sections) {
        if (!sameName(s.name, sectionName))
            continue;
        for (const QStringList &entry : s.entries)
            result.append(entry.join(u'='));
        break;
    }
    return result;
}

QStringList IniText::sections() const
{
    QStringList result;
    for (const Section &s : m_sections)
        result.append(s.name);
    return result;
}

bool IniProfile::write(
    const QString &file, const QString &section, const QString &key, const QString &value)
{
    if (!validSection(section) || !validKey(key) || hasLineBreak(value))
        return false;
    Document doc;
    if (!doc.load(file))
        return false;
    const qsizetype header = doc.findSection(section.trimmed());
    if (header < 0) {
        doc.insert(doc.lines().size(), { sectionHeader(section), entry(key, value) });
    } else if (const qsizetype at = doc.findKey(header, key.trimmed()); at >= 0) {
        doc.replace(at, entry(key, value));
    } else {
        doc.insert(doc.sectionContentEnd(header), { entry(key, value) });
    }
    return doc.save(file);
}

bool IniProfile::writeSection(const QString &file, const QString &section, const QStringList &lines)
{
    if (!validSection(section))
        return false;
    QList<Line> body;
    for (const QString &text : lines) {
        if (!validSectionLine(text))
            return false;
        body.append(Line::make(text));
    }
    Document doc;
    if (!doc.load(file))
        return false;
    const qsizetype header = doc.findSection(section.trimmed());
    if (header < 0) {
        body.prepend(sectionHeader(section));
        doc.insert(doc.lines().size(), body);
    } else {
        doc.remove(header + 1, doc.sectionContentEnd(header));
        doc.insert(header + 1, body);
        // Later copies go in the same write, so no line of a former list survives in one of
        // them and no moment exists when the file holds neither list.
        for (qsizetype copy = doc.findSection(section.trimmed(), header + 1 + body.size());
             copy >= 0; copy = doc.findSection(section.trimmed(), copy))
            doc.remove(copy, doc.sectionEnd(copy));
    }
    return doc.save(file);
}

bool IniProfile::eraseSection(const QString &file, const QString &section)
{
    Document doc;
    if (!doc.load(file))
        return false;
    bool changed = false;
    // Every copy goes, or the next one would show through.
    for (qsizetype header = doc.findSection(section.trimmed()); header >= 0;
         header = doc.findSection(section.trimmed(), header)) {
        doc.remove(header, doc.sectionEnd(header));
        changed = true;
    }
    return !changed || doc.save(file);
}

bool IniProfile::eraseKey(const QString &file, const QString &section, const QString &key)
{
    Document doc;
    if (!doc.load(file))
        return false;
    const qsizetype header = doc.findSection(section.trimmed());
    if (header < 0)
        return true;
    bool changed = false;
    for (qsizetype at = doc.findKey(header, key.trimmed()); at >= 0;
         at = doc.findKey(header, key.trimmed())) {
        doc.remove(at, at + 1);
        changed = true;
    }
    return !changed || doc.save(file);
}

} // namespace tlv::common
