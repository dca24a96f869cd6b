#include "pcdsim/trace/TraceRing.h"

#include "common/Cp1252.h"
#include "pcdsim/SimulatedPcd.h"

namespace tlv::pcdsim {

qint32 TraceRing::fourCharWord(const QString &text)
{
    const QByteArray bytes = common::toCp1252(text.left(4)).leftJustified(4, '\0');
    return qint32((quint32(quint8(bytes[0])) << 24) | (quint32(quint8(bytes[1])) << 16)
        | (quint32(quint8(bytes[2])) << 8) | quint32(quint8(bytes[3])));
}

bool TraceRing::create(SimulatedPcd &pcd, const Layout &layout, QString *error)
{
    m_layout = layout;
    const auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    if (layout.typeKey != u"TLV1" && layout.typeKey != u"TLV2")
        return fail(QStringLiteral("Header type key must be TLV1 or TLV2"));
    if (layout.recordLength < 1 || layout.capacity < 2)
        return fail(QStringLiteral("A ring needs a record length of 1 or more and 2 records"));
    if (layout.counterIndex < 1 || layout.counterIndex + 7 >= 16 + layout.recordLength)
        return fail(QStringLiteral("Counter index out of range"));
    const int c = layout.counterIndex;
    if (headerLength() == 16) {
        for (const int fixed : { 8, 10 }) {
            if (fixed == c || fixed == c + 1 || fixed == c + 3)
                return fail(QStringLiteral("Counter index ") + QString::number(c)
                    + QStringLiteral(" puts the counters on the command or export word"));
        }
    }
    if (layout.stringIndex >= headerLength())
        return fail(QStringLiteral("String index outside the header"));
    const qint64 words = qint64(headerLength()) + qint64(layout.recordLength) * layout.capacity;
    if (layout.dataBlock) {
        if (layout.address < 0 || layout.address > 8000)
            return fail(QStringLiteral("Data block ") + QString::number(layout.address)
                + QStringLiteral(" out of range (0 to 8000)"));
        if (words > SimulatedPcd::maxBlockElements || layout.capacity > 16383)
            return fail(QStringLiteral("Buffer of ") + QString::number(words)
                + QStringLiteral(" words does not fit a data block"));
        pcd.defineDataBlock(layout.address, int(words));
    } else {
        if (layout.address < 0 || layout.address > 8000)
            return fail(QStringLiteral("Register ") + QString::number(layout.address)
                + QStringLiteral(" out of range (0 to 8000)"));
        if (layout.address + words > SimulatedPcd::registerCount || layout.capacity > 4096)
            return fail(QStringLiteral("Buffer of ") + QString::number(words)
                + QStringLiteral(" words does not fit the registers from R ")
                + QString::number(layout.address));
    }
    for (int i = 0; i < int(words); ++i)
        setWord(pcd, i, 0);
    setWord(pcd, 0, fourCharWord(layout.typeKey));
    setWord(pcd, 1, fourCharWord(layout.key));
    setWord(pcd, 2, layout.version);
    setWord(pcd, 3, layout.capacity);
    if (layout.stringIndex >= 0)
        setWord(pcd, layout.stringIndex, layout.stringLengths);
    m_counter = 0;
    m_writeIndex = 0;
    writeCounters(pcd);
    return true;
}

qint32 TraceRing::startRegisterValue() const
{
    return m_layout.dataBlock ? ('D' << 16) | m_layout.address : m_layout.address;
}

void TraceRing::setWord(SimulatedPcd &pcd, int offset, qint32 value) const
{
    if (m_layout.dataBlock)
        pcd.setDataBlockElement(m_layout.address, offset, value);
    else
        pcd.setRegister(m_layout.address + offset, value);
}

void TraceRing::writeCounters(SimulatedPcd &pcd)
{
    const int c = m_layout.counterIndex;
    setWord(pcd, c, qint32(m_counter & 0x7FFFFFFF));
    setWord(pcd, c + 1, m_writeIndex);
    setWord(pcd, c + 3, m_layout.capacity);
}

void TraceRing::append(SimulatedPcd &pcd, const QList<qint32> &record)
{
    const int r = m_layout.recordLength;
    const int first = headerLength() + m_writeIndex * r;
    for (int i = 0; i < r; ++i)
        setWord(pcd, first + i, record.value(i));
    m_writeIndex = (m_writeIndex + 1) % m_layout.capacity;
    ++m_counter;
    writeCounters(pcd);
}

void TraceRing::restart(SimulatedPcd &pcd)
{
    m_counter = 0;
    m_writeIndex = 0;
    writeCounters(pcd);
}

void TraceRing::setCommandWord(SimulatedPcd &pcd, qint32 value)
{
    if (headerLength() < 16)
        return;
    setWord(pcd, 8, value);
    setWord(pcd, m_layout.counterIndex + 4, value);
}

void TraceRing::setExportIndex(SimulatedPcd &pcd, qint32 value)
{
    if (headerLength() < 16)
        return;
    setWord(pcd, 10, value);
    setWord(pcd, m_layout.counterIndex + 6, value);
}

} // namespace tlv::pcdsim
