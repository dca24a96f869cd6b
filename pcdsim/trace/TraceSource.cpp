#include "pcdsim/trace/TraceSource.h"

#include "common/Cp1252.h"

#include <QFile>
#include <QRegularExpression>

namespace tlv::pcdsim {

namespace {

// "NAME (a,b,c)" -> the arguments, split at commas; false when the parentheses are missing.
bool callArguments(const QString &line, const QString &name, QStringList *args)
{
    if (!line.startsWith(name))
        return false;
    const QString rest = line.mid(name.size()).trimmed();
    if (!rest.startsWith(u'(') || !rest.endsWith(u')'))
        return false;
    const QString inner = rest.mid(1, rest.size() - 2);
    *args = inner.isEmpty() ? QStringList() : inner.split(u',');
    return true;
}

bool toNumber(const QString &text, qint32 *value)
{
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok);
    if (ok)
        *value = v;
    return ok;
}

bool parseColumn(const QStringList &args, bool change, TraceColumn *column, QString *why)
{
    if (args.size() != (change ? 5 : 4)) {
        *why = QStringLiteral("wrong number of arguments");
        return false;
    }
    TraceColumn c;
    c.variable = args[0].trimmed();
    c.typeLetter = args[2].trimmed();
    static const QRegularExpression letter(QStringLiteral("^(Q|N|B|W|L)(t|m)?$"));
    if (c.variable.isEmpty()) {
        *why = QStringLiteral("no variable");
        return false;
    }
    if (!letter.match(c.typeLetter).hasMatch()) {
        *why = QStringLiteral("unknown type letter ") + c.typeLetter;
        return false;
    }
    qint32 place = 0, position = 0;
    if (!toNumber(args[1], &place) || !toNumber(args[3], &position)
        || (change && !toNumber(args[4], &c.delta))) {
        *why = QStringLiteral("a number is expected");
        return false;
    }
    c.place = place;
    c.position = position;
    const int parts = 32 / c.width();
    if (place < 0 || place > 255 || position < 0 || position >= parts) {
        *why = QStringLiteral("place or position out of range");
        return false;
    }
    *column = c;
    return true;
}

} // namespace

int TraceColumn::width() const
{
    switch (typeLetter.isEmpty() ? u'L' : typeLetter[0].unicode()) {
    case u'Q':
        return 1;
    case u'N':
        return 4;
    case u'B':
        return 8;
    case u'W':
        return 16;
    default:
        return 32;
    }
}

bool TraceSource::parseFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    if (!parse(common::fromCp1252(file.readAll()), error)) {
        *error = path + QStringLiteral(": ") + *error;
        return false;
    }
    return true;
}

bool TraceSource::parse(const QString &text, QString *error)
{
    *this = TraceSource {};
    const QStringList lines = text.split(u'\n');
    bool configured = false;
    enum class Block { None, Change, Record } block = Block::None;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        const auto fail = [&](const QString &why) {
            *error = QStringLiteral("line ") + QString::number(i + 1) + QStringLiteral(": ") + why;
            return false;
        };
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'$'))
            continue;
        QStringList args;
        if (line.startsWith(QLatin1String("_COMPILER"))) {
            toNumber(line.section(QLatin1String("EQU"), 1), &compiler);
        } else if (line.startsWith(QLatin1String("_LIBMIN"))) {
            qint32 needed = 0;
            if (toNumber(line.section(QLatin1String("EQU"), 1), &needed) && needed > 10100)
                return fail(
                    QStringLiteral("needs trace library version ") + QString::number(needed));
        } else if (callArguments(line, QStringLiteral("TLVR__config3"), &args)
            || callArguments(line, QStringLiteral("TLVR__config2"), &args)) {
            const bool three = line.startsWith(QLatin1String("TLVR__config3"));
            if (configured)
                return fail(QStringLiteral("a second configuration call"));
            if (args.size() != (three ? 13 : 10))
                return fail(QStringLiteral("wrong number of configuration arguments"));
            if (QString why; !parseConfiguration(args, three, &why))
                return fail(why);
            configured = true;
        } else if (line.startsWith(QLatin1String("EXTN "))) {
            continue;
        } else if (callArguments(line, QStringLiteral("TLVR__ChangeBegin"), &args)) {
            block = Block::Change;
        } else if (callArguments(line, QStringLiteral("TLVR__RecordBegin"), &args)) {
            block = Block::Record;
        } else if (callArguments(line, QStringLiteral("TLVR__ChangeEnd"), &args)) {
            if (block != Block::Change || args.size() != 1 || !toNumber(args[0], &changeEndLength))
                return fail(QStringLiteral("TLVR__ChangeEnd out of place"));
            block = Block::None;
        } else if (callArguments(line, QStringLiteral("TLVR__RecordEnd"), &args)) {
            if (block != Block::Record || args.size() != 1 || !toNumber(args[0], &recordEndLength))
                return fail(QStringLiteral("TLVR__RecordEnd out of place"));
            block = Block::None;
        } else if (callArguments(line, QStringLiteral("TLVR__Change"), &args)) {
            TraceColumn column;
            QString why;
            if (block != Block::Change)
                return fail(QStringLiteral("TLVR__Change outside its block"));
            if (!parseColumn(args, true, &column, &why))
                return fail(why);
            changes.append(column);
        } else if (callArguments(line, QStringLiteral("TLVR__Record"), &args)) {
            TraceColumn column;
            QString why;
            if (block != Block::Record)
                return fail(QStringLiteral("TLVR__Record outside its block"));
            if (!parseColumn(args, false, &column, &why))
                return fail(why);
            records.append(column);
        } else {
            return fail(QStringLiteral("unknown statement: ") + line);
        }
    }
    if (!configured) {
        *error = QStringLiteral("no TLVR__config2 or TLVR__config3 call");
        return false;
    }
    return checkWhole(error);
}

bool TraceSource::parseConfiguration(const QStringList &args, bool three, QString *why)
{
    const auto fail = [why](const QString &text) {
        *why = text;
        return false;
    };
    QString key = args[0].trimmed();
    if (key.size() < 2 || !key.startsWith(u'\'') || !key.endsWith(u'\''))
        return fail(QStringLiteral("the header key is not quoted"));
    headerKey = key.mid(1, key.size() - 2);
    startAddress = args[1].trimmed();
    int n = 2;
    if (three) {
        serialNr = args[2].trimmed();
        closeTlv = args[3].trimmed();
        clearBuf = args[4].trimmed();
        n = 5;
    }
    recordEnable = args[n].trimmed();
    recordCommand = args[n + 2].trimmed();
    if (!toNumber(args[n + 1], &recordInt) || !toNumber(args[n + 3], &recordChange)
        || !toNumber(args[n + 4], &memory) || !toNumber(args[n + 5], &recordLen)
        || !toNumber(args[n + 6], &bufferLen) || !toNumber(args[n + 7], &timeBase))
        return fail(QStringLiteral("a number is expected in the configuration call"));
    return true;
}

bool TraceSource::checkWhole(QString *why) const
{
    const auto fail = [why](const QString &text) {
        *why = text;
        return false;
    };
    if (recordEndLength < 0)
        return fail(QStringLiteral("no record block"));
    if (recordLen < 1 || recordLen > 256 || recordEndLength != recordLen
        || (changeEndLength >= 0 && changeEndLength != recordLen))
        return fail(QStringLiteral("record length ") + QString::number(recordLen)
            + QStringLiteral(" does not agree with the record block"));
    if (bufferLen < 1)
        return fail(QStringLiteral("number of records below 1"));
    if (timeBase < 1)
        return fail(QStringLiteral("the last configuration argument must be 1 or more"));
    if (recordInt < 0)
        return fail(QStringLiteral("negative record interval"));
    if (memory != 0 && memory != 1)
        return fail(QStringLiteral("memory must be 0 (data block) or 1 (registers)"));
    for (const TraceColumn &c : std::as_const(records)) {
        if (c.place >= recordLen)
            return fail(c.variable + QStringLiteral(" lies outside the record"));
    }
    return true;
}

} // namespace tlv::pcdsim
