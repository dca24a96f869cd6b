#include "pcdsim/trace/TraceWriter.h"

#include "pcdsim/SimulatedPcd.h"

#include <QRegularExpression>

namespace tlv::pcdsim {

namespace {

QString callText(const TraceColumn &c, bool change)
{
    return c.variable + u',' + QString::number(c.place) + u',' + c.typeLetter + u','
        + QString::number(c.position) + (change ? u',' + QString::number(c.delta) : QString());
}

} // namespace

TraceWriter::TraceWriter(const TraceSource &source, const SymbolTable &symbols)
    : m_source(source)
    , m_symbols(symbols)
{ }

qint32 TraceWriter::layoutVersion(const TraceSource &source)
{
    QByteArray text;
    for (const TraceColumn &c : source.records)
        text += callText(c, false).toUtf8() + '\n';
    for (const TraceColumn &c : source.changes)
        text += callText(c, true).toUtf8() + '\n';
    text += QByteArray::number(source.recordLen);
    return qint32(qChecksum(text) & 0x7FFF);
}

quint32 TraceWriter::fieldValue(const TraceColumn &column, qint32 value)
{
    const int width = column.width();
    if (width == 1)
        return value != 0 ? 1u : 0u;
    if (width == 32)
        return quint32(value);
    return quint32(value) & ((1u << width) - 1u);
}

bool TraceWriter::bind(
    const QString &text, std::optional<PcdVariable> *target, QString *error) const
{
    target->reset();
    if (text.trimmed().isEmpty())
        return true;
    PcdVariable v;
    if (!m_symbols.resolve(text, &v, error))
        return false;
    *target = v;
    return true;
}

bool TraceWriter::setUp(SimulatedPcd &pcd, QString *error)
{
    static const QRegularExpression registerAddress(
        QStringLiteral(R"(^R\s+(\d{1,5})$)"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch start = registerAddress.match(m_source.startAddress.trimmed());
    if (!start.hasMatch() || start.captured(1).toInt() >= SimulatedPcd::registerCount) {
        *error = QStringLiteral("The start address must be a register: ") + m_source.startAddress;
        return false;
    }
    const int startRegister = start.captured(1).toInt();

    QList<Bound> records, changes;
    for (const TraceColumn &c : std::as_const(m_source.records)) {
        Bound b { c, {} };
        if (!m_symbols.resolve(c.variable, &b.variable, error))
            return false;
        records.append(b);
    }
    for (const TraceColumn &c : std::as_const(m_source.changes)) {
        Bound b { c, {} };
        if (!m_symbols.resolve(c.variable, &b.variable, error))
            return false;
        changes.append(b);
    }
    if (!bind(m_source.serialNr, &m_serialNr, error) || !bind(m_source.closeTlv, &m_closeTlv, error)
        || !bind(m_source.clearBuf, &m_clearBuf, error)
        || !bind(m_source.recordEnable, &m_enable, error)
        || !bind(m_source.recordCommand, &m_command, error))
        return false;

    TraceRing::Layout layout;
    layout.typeKey = QStringLiteral("TLV2");
    layout.key = m_source.headerKey;
    layout.version = layoutVersion(m_source);
    layout.recordLength = m_source.recordLen;
    layout.capacity = m_source.bufferLen;
    layout.dataBlock = m_placement ? m_placement->first : m_source.memory == 0;
    layout.address = m_placement ? m_placement->second
        : layout.dataBlock       ? startRegister
                                 : startRegister + 1;
    if (!layout.dataBlock && layout.address <= startRegister
        && startRegister < layout.address + 16 + layout.recordLength * layout.capacity) {
        *error = QStringLiteral("The buffer would cover its own start register");
        return false;
    }
    if (!m_ring.create(pcd, layout, error))
        return false;

    m_records = records;
    m_changes = changes;
    m_startRegister = startRegister;
    pcd.setRegister(startRegister, m_ring.startRegisterValue());
    publishDbx(pcd, startRegister, m_ring.startRegisterValue());
    rememberChangeValues(pcd);
    return true;
}

QList<qint32> TraceWriter::currentRecord(const SimulatedPcd &pcd) const
{
    QList<qint32> record(m_source.recordLen, 0);
    for (const Bound &b : m_records) {
        const int width = b.column.width();
        const int shift = b.column.position * width;
        const quint32 mask = width == 32 ? 0xFFFFFFFFu : ((1u << width) - 1u) << shift;
        const quint32 field = fieldValue(b.column, b.variable.read(pcd)) << shift;
        quint32 &word = reinterpret_cast<quint32 &>(record[b.column.place]);
        word = (word & ~mask) | (field & mask);
    }
    return record;
}

bool TraceWriter::changed(const SimulatedPcd &pcd) const
{
    for (int i = 0; i < m_changes.size(); ++i) {
        const Bound &b = m_changes[i];
        const quint32 now = fieldValue(b.column, b.variable.read(pcd));
        const quint32 before = m_lastChangeValues.value(i);
        const qint64 diff = b.column.width() == 32 ? qint64(qint32(now)) - qint64(qint32(before))
                                                   : qint64(now) - qint64(before);
        if (diff != 0 && qAbs(diff) > qint64(qMax(0, b.column.delta)))
            return true;
    }
    return false;
}

void TraceWriter::rememberChangeValues(const SimulatedPcd &pcd)
{
    m_lastChangeValues.clear();
    for (const Bound &b : std::as_const(m_changes))
        m_lastChangeValues.append(fieldValue(b.column, b.variable.read(pcd)));
}

void TraceWriter::setCommand(SimulatedPcd &pcd, qint32 value)
{
    if (m_closeTlv)
        m_closeTlv->write(pcd, value); // the next cycle copies it
    else
        m_ring.setCommandWord(pcd, value);
    logEvent(QStringLiteral("command ") + QString::number(value));
}

void TraceWriter::cycle(SimulatedPcd &pcd, qint64 elapsedMs)
{
    if (m_closeTlv)
        m_ring.setCommandWord(pcd, m_closeTlv->read(pcd));
    if (m_serialNr)
        m_ring.setExportIndex(pcd, m_serialNr->read(pcd));
    if (m_clearBuf && m_clearBuf->read(pcd) != 0) {
        m_clearBuf->write(pcd, 0);
        m_ring.restart(pcd);
        logEvent(QStringLiteral("clear"));
    }

    bool due = intervalDue(elapsedMs, qint64(m_source.recordInt) * 1000 / m_source.timeBase);
    if (m_command && m_command->read(pcd) != 0) {
        m_command->write(pcd, 0);
        due = true;
    }
    if (m_source.recordChange != 0 && !m_changes.isEmpty() && changed(pcd))
        due = true;
    const bool enabled = !m_enable || m_enable->read(pcd) != 0;
    if (due && enabled) {
        write(pcd, currentRecord(pcd));
        rememberChangeValues(pcd);
    }
}

} // namespace tlv::pcdsim
