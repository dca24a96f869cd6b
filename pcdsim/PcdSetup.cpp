#include "pcdsim/PcdSetup.h"

#include "pcdsim/SimulatedPcd.h"

#include <QFile>
#include <QTextStream>

#include <functional>

namespace tlv::pcdsim {

namespace {

// Splits on blanks; a token in double quotes may hold blanks.
QStringList tokenize(const QString &line)
{
    QStringList tokens;
    QString current;
    bool quoted = false;
    bool any = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any)
                tokens.append(current);
            current.clear();
            any = false;
        } else {
            current.append(c);
            any = true;
        }
    }
    if (any)
        tokens.append(current);
    return tokens;
}

bool parseInt(const QString &text, qint64 min, qint64 max, qint64 *value)
{
    bool ok = false;
    qint64 v = 0;
    if (text.startsWith(u"0x", Qt::CaseInsensitive))
        v = text.mid(2).toLongLong(&ok, 16); // past 63 bits fails instead of wrapping
    else
        v = text.toLongLong(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

bool parseWord(const QString &text, qint32 *value)
{
    qint64 v = 0;
    if (!parseInt(text, -2147483648LL, 0xFFFFFFFFLL, &v))
        return false;
    *value = qint32(quint32(v));
    return true;
}

QByteArray unescape(const QString &text, bool *ok)
{
    const QByteArray raw = text.toLatin1();
    QByteArray out;
    *ok = true;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 >= raw.size()) {
            out.append(raw[i]);
            continue;
        }
        const char next = raw[++i];
        if (next == 'n')
            out.append('\n');
        else if (next == 't')
            out.append('\t');
        else if (next == 'r')
            out.append('\r');
        else if (next == '\\')
            out.append('\\');
        else if (next == 'x') {
            bool hexOk = false;
            const int v = i + 2 < raw.size() ? raw.mid(i + 1, 2).toInt(&hexOk, 16) : 0;
            if (!hexOk) {
                *ok = false;
                return {};
            }
            out.append(char(v));
            i += 2;
        } else {
            *ok = false;
            return {};
        }
    }
    return out;
}

struct Line
{
    QStringList tokens;
    QString *error;
    QString content; // the line without its comment

    bool fail(const QString &text) const
    {
        *error = text;
        return false;
    }
    // "NAME ADDR = v v v" → values after '='
    bool values(int from, QStringList *out) const
    {
        if (tokens.size() <= from + 1 || tokens[from] != u"=")
            return fail(QStringLiteral("Expected \"= value ...\""));
        *out = tokens.mid(from + 1);
        return true;
    }
};

bool setWords(const Line &line, int size, const std::function<bool(int, qint32)> &set)
{
    qint64 first = 0;
    QStringList texts;
    if (line.tokens.size() < 2 || !parseInt(line.tokens[1], 0, size - 1, &first))
        return line.fail(u"Address out of range (0 to " + QString::number(size - 1) + u')');
    if (!line.values(2, &texts))
        return false;
    if (first + texts.size() > size)
        return line.fail(u"Values run past address " + QString::number(size - 1));
    QList<qint32> values;
    for (const QString &text : texts) {
        qint32 v = 0;
        if (!parseWord(text, &v))
            return line.fail(u"Not a 32-bit value: " + text);
        values.append(v);
    }
    for (int i = 0; i < values.size(); ++i)
        set(int(first) + i, values[i]);
    return true;
}

bool setBits(const Line &line, const std::function<bool(int, bool)> &set)
{
    qint64 first = 0;
    QStringList texts;
    const int size = SimulatedPcd::binaryCount;
    if (line.tokens.size() < 2 || !parseInt(line.tokens[1], 0, size - 1, &first))
        return line.fail(u"Address out of range (0 to " + QString::number(size - 1) + u')');
    if (!line.values(2, &texts))
        return false;
    if (first + texts.size() > size)
        return line.fail(u"Values run past address " + QString::number(size - 1));
    for (const QString &text : texts) {
        if (text != u"0" && text != u"1")
            return line.fail(u"Not 0 or 1: " + text);
    }
    for (int i = 0; i < texts.size(); ++i)
        set(int(first) + i, texts[i] == u"1");
    return true;
}

bool dataBlock(const Line &line, SimulatedPcd *pcd)
{
    const QStringList &t = line.tokens;
    qint64 db = 0;
    if (t.size() < 3 || !parseInt(t[1], 0, SimulatedPcd::blockCount - 1, &db))
        return line.fail(QStringLiteral("Data block number out of range (0 to 8191)"));
    const qint64 maxElements = SimulatedPcd::maxBlockElements;
    if (t[2].compare(u"size", Qt::CaseInsensitive) == 0) {
        qint64 size = 0;
        if (t.size() != 4 || !parseInt(t[3], 0, maxElements, &size))
            return line.fail(
                u"Data block size out of range (0 to " + QString::number(maxElements) + u')');
        return pcd->defineDataBlock(int(db), int(size));
    }
    qint64 first = 0;
    QStringList texts;
    if (!parseInt(t[2], 0, maxElements - 1, &first))
        return line.fail(QStringLiteral("Element out of range (0 to 16382)"));
    if (!line.values(3, &texts))
        return false;
    if (first + texts.size() > maxElements)
        return line.fail(QStringLiteral("Values run past element 16382"));
    QList<qint32> values;
    for (const QString &text : texts) {
        qint32 v = 0;
        if (!parseWord(text, &v))
            return line.fail(u"Not a 32-bit value: " + text);
        values.append(v);
    }
    for (int i = 0; i < values.size(); ++i)
        pcd->setDataBlockElement(int(db), int(first) + i, values[i]);
    return true;
}

bool dbx(const Line &line, SimulatedPcd *pcd)
{
    const QStringList &t = line.tokens;
    qint64 number = 0;
    if (t.size() < 4 || !parseInt(t[1], 0, SimulatedPcd::blockCount - 1, &number))
        return line.fail(QStringLiteral("DBX number out of range (0 to 8191)"));
    const QString what = t[2].toLower();
    const qint64 maxBytes = 0xFFFFFF;
    qint64 offset = 0;
    if (what == u"size") {
        if (t.size() != 4 || !parseInt(t[3], 0, maxBytes, &offset))
            return line.fail(QStringLiteral("DBX size out of range"));
        return pcd->setDbxSize(int(number), int(offset));
    }
    if (!parseInt(t[3], 0, maxBytes, &offset))
        return line.fail(QStringLiteral("DBX byte offset out of range"));
    if (what == u"entry") {
        if (t.size() < 6 || t.size() > 6 + 16)
            return line.fail(
                QStringLiteral("Expected \"DBX n entry OFFSET KEY VALUE [v0 .. v15]\""));
        QList<qint32> words;
        for (int i = 5; i < t.size(); ++i) {
            qint32 v = 0;
            if (!parseWord(t[i], &v))
                return line.fail(u"Not a 32-bit value: " + t[i]);
            words.append(v);
        }
        const qint32 value = words.takeFirst();
        return pcd->setDbxEntry(
            int(number), int(offset), t[4].toLatin1(), value, words, line.error);
    }
    QStringList texts;
    if (!line.values(4, &texts))
        return false;
    QByteArray bytes;
    if (what == u"bytes") {
        for (const QString &text : texts) {
            bool ok = false;
            const uint v = text.toUInt(&ok, 16);
            if (!ok || v > 0xFF)
                return line.fail(u"Not a hex byte: " + text);
            bytes.append(char(v));
        }
    } else if (what == u"text") {
        bool ok = false;
        QString payload = line.content.mid(line.content.indexOf(u'=') + 1).trimmed();
        if (payload.size() >= 2 && payload.startsWith(u'"') && payload.endsWith(u'"'))
            payload = payload.mid(1, payload.size() - 2);
        bytes = unescape(payload, &ok);
        if (!ok)
            return line.fail(QStringLiteral("Bad escape in text"));
    } else {
        return line.fail(u"Unknown DBX item \"" + t[2] + u'"');
    }
    if (!pcd->setDbxBytes(int(number), int(offset), bytes))
        return line.fail(QStringLiteral("DBX bytes out of range"));
    return true;
}

} // namespace

bool PcdSetup::applyLine(const QString &text, SimulatedPcd *pcd, QString *error)
{
    QString scratch;
    if (!error)
        error = &scratch;
    QString content = text;
    // '#' starts a comment unless it sits inside quotes
    bool quoted = false;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] == u'"')
            quoted = !quoted;
        else if (content[i] == u'#' && !quoted) {
            content.truncate(i);
            break;
        }
    }
    const Line line { tokenize(content), error, content };
    if (line.tokens.isEmpty())
        return true;
    const QString keyword = line.tokens[0].toUpper();
    if (keyword == u"STATION") {
        qint64 station = 0;
        if (line.tokens.size() != 2 || !parseInt(line.tokens[1], 0, 254, &station))
            return line.fail(QStringLiteral("Station out of range (0 to 254)"));
        pcd->setStation(quint8(station));
        return true;
    }
    if (keyword == u"STATUS") {
        if (line.tokens.size() != 2)
            return line.fail(QStringLiteral("Expected \"status LETTER\""));
        const QString &value = line.tokens[1];
        qint64 byte = 0;
        if (value.size() == 1 && value[0].isLetter())
            byte = value[0].toUpper().unicode();
        else if (!parseInt(value, 0, 255, &byte))
            return line.fail(u"Not a status: " + value);
        pcd->setStatus(quint8(byte));
        return true;
    }
    if (keyword == u"R")
        return setWords(line, SimulatedPcd::registerCount,
            [pcd](int a, qint32 v) { return pcd->setRegister(a, v); });
    if (keyword == u"T")
        return setWords(
            line, SimulatedPcd::timerCount, [pcd](int a, qint32 v) { return pcd->setTimer(a, v); });
    if (keyword == u"C")
        return setWords(line, SimulatedPcd::timerCount,
            [pcd](int a, qint32 v) { return pcd->setCounter(a, v); });
    if (keyword == u"F")
        return setBits(line, [pcd](int a, bool v) { return pcd->setFlag(a, v); });
    if (keyword == u"I")
        return setBits(line, [pcd](int a, bool v) { return pcd->setInput(a, v); });
    if (keyword == u"O")
        return setBits(line, [pcd](int a, bool v) { return pcd->setOutput(a, v); });
    if (keyword == u"DB")
        return dataBlock(line, pcd);
    if (keyword == u"DBX")
        return dbx(line, pcd);
    return line.fail(u"Unknown statement \"" + line.tokens[0] + u'"');
}

bool PcdSetup::applyLines(
    const QStringList &lines, SimulatedPcd *pcd, QString *error, const QString &origin)
{
    for (int i = 0; i < lines.size(); ++i) {
        QString why;
        if (!applyLine(lines[i], pcd, &why)) {
            if (error)
                *error = (origin.isEmpty() ? QString() : origin + u':') + u"line "
                    + QString::number(i + 1) + u": " + why;
            return false;
        }
    }
    return true;
}

bool PcdSetup::applyFile(const QString &path, SimulatedPcd *pcd, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = u"Cannot read " + path + u": " + file.errorString();
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    return applyLines(text.split(u'\n'), pcd, error, path);
}

} // namespace tlv::pcdsim
