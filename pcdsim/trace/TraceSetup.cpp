#include "pcdsim/trace/TraceSetup.h"

#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/StandardBuffer.h"
#include "pcdsim/trace/TraceWriter.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::pcdsim {

namespace {

QString resolvePath(const QString &folder, const QString &name)
{
    return QFileInfo(name).isAbsolute() || folder.isEmpty() ? name : QDir(folder).filePath(name);
}

// "at R 100" / "at DB 7" among the words; false when malformed.
bool placement(const QStringList &words, int i, bool *dataBlock, int *address)
{
    if (i + 2 >= words.size())
        return false;
    const QString kind = words.value(i + 1).toUpper();
    bool ok = false;
    *address = words.value(i + 2).toInt(&ok);
    *dataBlock = kind == u"DB";
    return ok && (kind == u"R" || kind == u"DB");
}

} // namespace

bool TraceSetup::handles(const QString &line)
{
    const QString word = line.simplified().section(u' ', 0, 0).toLower();
    return word == u"trace" || word == u"standard" || word == u"events" || word == u"wave"
        || word == u"at";
}

bool TraceSetup::applyLines(const QStringList &lines, SimulatedPcd &pcd, const QString &folder,
    QStringList *memoryLines, QString *error, const QString &origin)
{
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        if (!handles(line)) {
            memoryLines->append(lines[i]);
            continue;
        }
        if (!applyLine(line, pcd, folder, error)) {
            *error = (origin.isEmpty() ? QString() : origin + QStringLiteral(", "))
                + QStringLiteral("line ") + QString::number(i + 1) + QStringLiteral(": ") + *error;
            return false;
        }
    }
    return true;
}

bool TraceSetup::applyLine(
    const QString &line, SimulatedPcd &pcd, const QString &folder, QString *error)
{
    const QStringList words = line.simplified().split(u' ');
    const QString word = words.first().toLower();
    if (word == u"wave") {
        Waveforms::Wave wave;
        if (!Waveforms::parse(words.mid(1).join(u' '), &wave, error))
            return false;
        m_waves->add(wave);
        return true;
    }
    if (word == u"at") {
        Action a;
        bool ok = false;
        a.atMs = words.value(1).toLongLong(&ok);
        a.what = words.value(2).toLower();
        const bool withValue = a.what != u"restart";
        bool valueOk = true;
        if (withValue)
            a.value = words.value(3).toInt(&valueOk, 0);
        a.key = words.value(withValue ? 4 : 3);
        const bool known = a.what == u"restart" || a.what == u"burst" || a.what == u"command"
            || a.what == u"silent";
        if (!ok || a.atMs < 0 || !known || !valueOk
            || ((a.what == u"burst" || a.what == u"silent") && a.value < 1)) {
            *error = QStringLiteral("Use: at MS restart | burst N | command V | silent MS [KEY]");
            return false;
        }
        m_actions.append(a);
        return true;
    }
    if (word == u"trace") {
        if (words.size() < 2) {
            *error = QStringLiteral("Use: trace FILE.tlvs [symbols FILE] [at R n | at DB n]");
            return false;
        }
        const QString source = resolvePath(folder, words[1]);
        QString symbols = QFileInfo(source).dir().filePath(QStringLiteral("_Global.sy5"));
        bool symbolsNamed = false;
        bool dataBlock = false;
        int address = -1;
        for (int i = 2; i < words.size(); ++i) {
            if (words[i].toLower() == u"symbols" && i + 1 < words.size()) {
                symbols = resolvePath(folder, words[++i]);
                symbolsNamed = true;
            } else if (words[i].toLower() == u"at" && placement(words, i, &dataBlock, &address)) {
                i += 2;
            } else {
                *error = QStringLiteral("Unknown option: ") + words[i];
                return false;
            }
        }
        TraceSource parsed;
        if (!parsed.parseFile(source, error))
            return false;
        SymbolTable table;
        if ((symbolsNamed || QFileInfo::exists(symbols)) && !table.load(symbols, error))
            return false;
        auto writer = std::make_shared<TraceWriter>(parsed, table);
        if (address >= 0)
            writer->setPlacement(dataBlock, address);
        if (!writer->setUp(pcd, error))
            return false;
        m_programs.append(writer);
        return true;
    }
    return addStandard(words, word == u"events", pcd, folder, error);
}

bool TraceSetup::addStandard(
    const QStringList &words, bool events, SimulatedPcd &pcd, const QString &folder, QString *error)
{
    const QString usage = events
        ? QStringLiteral("Use: events FILE start N project DIR [at R n | at DB n] [records N] "
                         "[interval MS] [source N] [strings V] [version V]")
        : QStringLiteral("Use: standard FILE start N [at R n | at DB n] [records N] "
                         "[interval MS] [source N] [strings V] [version V]");
    if (words.size() < 2) {
        *error = usage;
        return false;
    }
    DescriptionLayout description;
    if (!description.read(resolvePath(folder, words[1]), error))
        return false;
    StandardBuffer::Settings s;
    s.startRegister = -1;
    s.address = -1;
    QString project;
    for (int i = 2; i < words.size(); ++i) {
        const QString option = words[i].toLower();
        bool ok = true;
        if (option == u"at") {
            ok = placement(words, i, &s.dataBlock, &s.address);
            i += 2;
        } else if (option == u"project" && i + 1 < words.size()) {
            project = resolvePath(folder, words[++i]);
        } else if (i + 1 < words.size()) {
            const qint64 value = words[++i].toLongLong(&ok, 0);
            if (option == u"start")
                s.startRegister = int(value);
            else if (option == u"records")
                s.capacity = int(value);
            else if (option == u"interval")
                s.intervalMs = value;
            else if (option == u"source")
                s.source = int(value);
            else if (option == u"strings")
                s.stringLengths = qint32(value);
            else if (option == u"version")
                s.version = qint32(value);
            else
                ok = false;
        } else {
            ok = false;
        }
        if (!ok) {
            *error = usage;
            return false;
        }
    }
    if (s.startRegister < 0 || (events && project.isEmpty())) {
        *error = usage;
        return false;
    }
    if (s.address < 0)
        s.address = s.dataBlock ? s.startRegister : s.startRegister + 1;
    auto buffer = std::make_shared<StandardBuffer>(description, s);
    if (!buffer->setUp(pcd, error))
        return false;
    if (events && !StandardBuffer::writeSystemSymbols(project, s.startRegister, error))
        return false;
    m_programs.append(buffer);
    return true;
}

void TraceSetup::install(SimulatedPcd &pcd, const std::shared_ptr<TraceSetup> &self)
{
    pcd.addProgram(self);
    for (const auto &program : std::as_const(m_programs))
        pcd.addProgram(program);
}

void TraceSetup::setRecordLog(const TraceProgram::RecordLog &log)
{
    for (const auto &program : std::as_const(m_programs))
        program->setRecordLog(log);
}

void TraceSetup::setEventLog(const TraceProgram::EventLog &log)
{
    for (const auto &program : std::as_const(m_programs))
        program->setEventLog(log);
}

void TraceSetup::cycle(SimulatedPcd &pcd, qint64 elapsedMs)
{
    // Waves first, so the buffers record the values of this cycle.
    m_waves->cycle(pcd, elapsedMs);
    m_time += elapsedMs;
    for (Action &a : m_actions) {
        if (a.done || m_time < a.atMs)
            continue;
        a.done = true;
        if (a.what == u"silent") {
            if (m_silence)
                m_silence(a.value);
            continue;
        }
        for (const auto &program : std::as_const(m_programs)) {
            if (!a.key.isEmpty() && program->name() != a.key)
                continue;
            if (a.what == u"restart")
                program->restart(pcd);
            else if (a.what == u"burst")
                program->burst(pcd, a.value);
            else if (a.what == u"command")
                program->setCommand(pcd, a.value);
        }
    }
}

} // namespace tlv::pcdsim
