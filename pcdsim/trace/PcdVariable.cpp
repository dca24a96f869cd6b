#include "pcdsim/trace/PcdVariable.h"

#include "common/Cp1252.h"
#include "pcdsim/SimulatedPcd.h"

#include <QFile>
#include <QRegularExpression>

namespace tlv::pcdsim {

qint32 PcdVariable::read(const SimulatedPcd &pcd) const
{
    switch (kind) {
    case Kind::Register:
        return pcd.registerValue(address);
    case Kind::Flag:
        return pcd.flag(address) ? 1 : 0;
    case Kind::Input:
        return pcd.input(address) ? 1 : 0;
    case Kind::Output:
        return pcd.output(address) ? 1 : 0;
    case Kind::Timer:
        return pcd.timer(address);
    case Kind::Counter:
        return pcd.counter(address);
    case Kind::DataBlock:
        return pcd.dataBlock(address).value(element);
    case Kind::None:
        break;
    }
    return 0;
}

bool PcdVariable::write(SimulatedPcd &pcd, qint32 value) const
{
    switch (kind) {
    case Kind::Register:
        return pcd.setRegister(address, value);
    case Kind::Flag:
        return pcd.setFlag(address, value != 0);
    case Kind::Input:
        return pcd.setInput(address, value != 0);
    case Kind::Output:
        return pcd.setOutput(address, value != 0);
    case Kind::Timer:
        return pcd.setTimer(address, value);
    case Kind::Counter:
        return pcd.setCounter(address, value);
    case Kind::DataBlock:
        return pcd.setDataBlockElement(address, element, value);
    case Kind::None:
        break;
    }
    return false;
}

QString PcdVariable::text() const
{
    static const char *const names[] = { "", "R", "F", "I", "O", "T", "C", "DB" };
    QString t = QLatin1String(names[int(kind)]) + u' ' + QString::number(address);
    if (kind == Kind::DataBlock)
        t += u' ' + QString::number(element);
    return t;
}

bool PcdVariable::parse(const QString &text, PcdVariable *variable, QString *error)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(DB|R|F|I|O|T|C)\s*(\d{1,5})(?:(?:\s+|\s*\.\s*)(\d{1,5}))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        if (error)
            *error = QStringLiteral("Not a PCD address: ") + text;
        return false;
    }
    const QString type = m.captured(1).toUpper();
    PcdVariable v;
    v.address = m.captured(2).toInt();
    const bool hasElement = m.capturedLength(3) > 0;
    int limit = SimulatedPcd::registerCount;
    if (type == u"DB") {
        v.kind = Kind::DataBlock;
        v.element = hasElement ? m.captured(3).toInt() : 0;
        limit = SimulatedPcd::blockCount;
        if (v.element >= SimulatedPcd::maxBlockElements) {
            if (error)
                *error = QStringLiteral("Data-block element out of range: ") + text;
            return false;
        }
    } else if (hasElement) {
        if (error)
            *error = QStringLiteral("Not a PCD address: ") + text;
        return false;
    } else if (type == u"R") {
        v.kind = Kind::Register;
    } else if (type == u"T" || type == u"C") {
        v.kind = type == u"T" ? Kind::Timer : Kind::Counter;
        limit = SimulatedPcd::timerCount;
    } else {
        v.kind = type == u"F" ? Kind::Flag : type == u"I" ? Kind::Input : Kind::Output;
        limit = SimulatedPcd::binaryCount;
    }
    if (v.address >= limit) {
        if (error)
            *error = QStringLiteral("Address out of range: ") + text;
        return false;
    }
    *variable = v;
    return true;
}

bool SymbolTable::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QStringList lines = common::fromCp1252(file.readAll()).split(u'\n');
    QStringList groups;
    static const QRegularExpression definition(
        QStringLiteral(R"(^\s*(\S+)\s+EQU\s+(?:VOL\s+)?(.+)$)"),
        QRegularExpression::CaseInsensitiveOption);
    for (QString line : lines) {
        const qsizetype comment = line.indexOf(u';');
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1String("$GROUP"), Qt::CaseInsensitive)) {
            groups.append(line.mid(6).trimmed());
            continue;
        }
        if (line.startsWith(QLatin1String("$ENDGROUP"), Qt::CaseInsensitive)) {
            if (!groups.isEmpty())
                groups.removeLast();
            continue;
        }
        const QRegularExpressionMatch m = definition.match(line);
        PcdVariable v;
        if (!m.hasMatch() || !PcdVariable::parse(m.captured(2), &v, nullptr))
            continue; // texts, constants, labels: nothing a trace can record
        QString name = m.captured(1);
        if (!groups.isEmpty())
            name = groups.join(u'.') + u'.' + name;
        if (!contains(name))
            add(name, v);
    }
    return true;
}

void SymbolTable::add(const QString &name, const PcdVariable &variable)
{
    m_symbols.insert(name.toLower(), variable);
}

bool SymbolTable::contains(const QString &name) const
{
    return m_symbols.contains(name.trimmed().toLower());
}

PcdVariable SymbolTable::value(const QString &name) const
{
    return m_symbols.value(name.trimmed().toLower());
}

bool SymbolTable::resolve(const QString &text, PcdVariable *variable, QString *error) const
{
    if (PcdVariable::parse(text, variable, nullptr))
        return true;
    if (contains(text)) {
        *variable = value(text);
        return true;
    }
    if (error)
        *error = QStringLiteral("Unknown PCD variable or symbol: ") + text.trimmed();
    return false;
}

} // namespace tlv::pcdsim
