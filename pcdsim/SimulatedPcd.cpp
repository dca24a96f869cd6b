#include "pcdsim/SimulatedPcd.h"

#include "comm/sbus/SbusCommand.h"
#include "pcdsim/PcdProgram.h"

#include <QtEndian>

namespace tlv::pcdsim {

using tlv::comm::SbusAnswer;
namespace Cmd = tlv::comm::SbusCommand;

namespace {

constexpr int maxWordsPerTelegram = 32;
constexpr int maxBitsPerTelegram = 128;

SbusAnswer nak()
{
    return { SbusAnswer::Kind::AckNak, SimulatedPcd::nakCode, {} };
}

SbusAnswer ack()
{
    return { SbusAnswer::Kind::AckNak, 0, {} };
}

SbusAnswer dataAnswer(QByteArray data)
{
    return { SbusAnswer::Kind::Data, 0, std::move(data) };
}

int u16(const QByteArray &data, int at)
{
    return (quint8(data[at]) << 8) | quint8(data[at + 1]);
}

int u24(const QByteArray &data, int at)
{
    return (quint8(data[at]) << 16) | u16(data, at + 1);
}

void appendWord(QByteArray &bytes, qint32 value)
{
    char raw[4];
    qToBigEndian(value, raw);
    bytes.append(raw, 4);
}

bool inRange(int first, int count, int size)
{
    return first >= 0 && count >= 1 && first < size && count <= size - first;
}

} // namespace

SimulatedPcd::SimulatedPcd(QObject *parent)
    : QObject(parent)
    , m_registers(registerCount, 0)
    , m_timers(timerCount, 0)
    , m_counters(timerCount, 0)
    , m_flags(binaryCount)
    , m_inputs(binaryCount)
    , m_outputs(binaryCount)
{
    connect(&m_cycleTimer, &QTimer::timeout, this, [this] {
        const qint64 elapsed = m_sinceCycle.isValid() ? m_sinceCycle.restart() : 0;
        if (!m_sinceCycle.isValid())
            m_sinceCycle.start();
        runCycle(elapsed);
    });
}

SimulatedPcd::~SimulatedPcd() = default;

bool SimulatedPcd::setRegister(int address, qint32 value)
{
    if (address < 0 || address >= registerCount)
        return false;
    m_registers[address] = value;
    return true;
}

qint32 SimulatedPcd::registerValue(int address) const
{
    return m_registers.value(address);
}

bool SimulatedPcd::setTimer(int address, qint32 value)
{
    if (address < 0 || address >= timerCount)
        return false;
    m_timers[address] = value;
    return true;
}

qint32 SimulatedPcd::timer(int address) const
{
    return m_timers.value(address);
}

bool SimulatedPcd::setCounter(int address, qint32 value)
{
    if (address < 0 || address >= timerCount)
        return false;
    m_counters[address] = value;
    return true;
}

qint32 SimulatedPcd::counter(int address) const
{
    return m_counters.value(address);
}

#define TLV_BIT_ACCESS(setter, getter, member)                                                     \
    bool SimulatedPcd::setter(int address, bool on)                                                \
    {                                                                                              \
        if (address < 0 || address >= binaryCount)                                                 \
            return false;                                                                          \
        member.setBit(address, on);                                                                \
        return true;                                                                               \
    }                                                                                              \
    bool SimulatedPcd::getter(int address) const                                                   \
    {                                                                                              \
        return address >= 0 && address < binaryCount && member.testBit(address);                   \
    }

TLV_BIT_ACCESS(setFlag, flag, m_flags)
TLV_BIT_ACCESS(setInput, input, m_inputs)
TLV_BIT_ACCESS(setOutput, output, m_outputs)
#undef TLV_BIT_ACCESS

bool SimulatedPcd::defineDataBlock(int db, int elements)
{
    if (db < 0 || db >= blockCount || elements < 0 || elements > maxBlockElements)
        return false;
    m_blocks[db].resize(elements, 0);
    return true;
}

bool SimulatedPcd::setDataBlockElement(int db, int element, qint32 value)
{
    if (db < 0 || db >= blockCount || element < 0 || element >= maxBlockElements)
        return false;
    QList<qint32> &block = m_blocks[db];
    if (block.size() <= element)
        block.resize(element + 1, 0);
    block[element] = value;
    return true;
}

bool SimulatedPcd::setDbxSize(int dbx, int bytes)
{
    if (dbx < 0 || dbx >= blockCount || bytes < 0 || bytes > 0xFFFFFF)
        return false;
    m_dbx[dbx].resize(bytes, '\0');
    return true;
}

bool SimulatedPcd::setDbxBytes(int dbx, int offset, const QByteArray &bytes)
{
    if (dbx < 0 || dbx >= blockCount || offset < 0 || qint64(offset) + bytes.size() > 0xFFFFFF)
        return false;
    QByteArray &block = m_dbx[dbx];
    if (block.size() < offset + bytes.size())
        block.resize(offset + bytes.size(), '\0');
    block.replace(offset, bytes.size(), bytes);
    return true;
}

bool SimulatedPcd::setDbxEntry(int dbx, int offset, const QByteArray &key, qint32 value,
    const QList<qint32> &table, QString *error)
{
    if (key.size() > 60 || table.size() > 16) {
        if (error)
            *error = QStringLiteral("A DBX entry holds a key of at most 60 bytes and 16 values");
        return false;
    }
    QByteArray entry = key;
    entry.resize(60, '\0');
    appendWord(entry, value);
    for (int i = 0; i < 16; ++i)
        appendWord(entry, table.value(i));
    if (!setDbxBytes(dbx, offset, entry)) {
        if (error)
            *error = QStringLiteral("DBX number or offset out of range");
        return false;
    }
    return true;
}

SbusAnswer SimulatedPcd::execute(quint8 command, const QByteArray &data)
{
    const SbusAnswer answer = dispatch(command, data);
    Q_EMIT requestExecuted(command, answer.kind == SbusAnswer::Kind::AckNak && answer.code != 0);
    return answer;
}

SbusAnswer SimulatedPcd::dispatch(quint8 command, const QByteArray &data)
{
    if (Cmd::requestDataLength(command, data) != data.size())
        return nak(); // unknown command or wrong amount of data
    switch (command) {
    case Cmd::ReadRegisters:
        return readWords(m_registers, data);
    case Cmd::ReadTimers:
        return readWords(m_timers, data);
    case Cmd::ReadCounters:
        return readWords(m_counters, data);
    case Cmd::ReadFlags:
        return readBits(m_flags, data);
    case Cmd::ReadInputs:
        return readBits(m_inputs, data);
    case Cmd::ReadOutputs:
        return readBits(m_outputs, data);
    case Cmd::WriteRegisters:
        return writeWords(m_registers, data);
    case Cmd::WriteTimers:
        return writeWords(m_timers, data);
    case Cmd::WriteCounters:
        return writeWords(m_counters, data);
    case Cmd::WriteFlags:
        return writeBits(m_flags, data);
    case Cmd::WriteOutputs:
        return writeBits(m_outputs, data);
    case Cmd::ReadStatusOwn:
    case Cmd::ReadStatusCpu0:
        return dataAnswer(QByteArray(1, char(m_status)));
    case Cmd::ReadStationNumber:
        return dataAnswer(QByteArray(1, char(m_station)));
    case Cmd::ReadFirmwareVersion:
        return dataAnswer(QByteArrayLiteral("TLVSM001\0"));
    case Cmd::ReadDataBlock:
        return readDataBlock(data);
    case Cmd::ReadBlockSize:
        return readBlockSize(data);
    case Cmd::ReadDbx:
        return readDbx(data);
    default:
        break;
    }
    if (command > Cmd::ReadStatusCpu0 && command < Cmd::ReadStatusOwn)
        return dataAnswer(QByteArray(1, 'D')); // CPUs this PCD does not have
    return nak();
}

SbusAnswer SimulatedPcd::readWords(const QList<qint32> &memory, const QByteArray &data)
{
    const int count = quint8(data[0]) + 1;
    const int first = u16(data, 1);
    if (count > maxWordsPerTelegram || !inRange(first, count, int(memory.size())))
        return nak();
    QByteArray out;
    out.reserve(count * 4);
    for (int i = 0; i < count; ++i)
        appendWord(out, memory[first + i]);
    return dataAnswer(out);
}

SbusAnswer SimulatedPcd::readBits(const QBitArray &memory, const QByteArray &data)
{
    const int count = quint8(data[0]) + 1;
    const int first = u16(data, 1);
    if (count > maxBitsPerTelegram || !inRange(first, count, int(memory.size())))
        return nak();
    QByteArray out((count + 7) / 8, '\0');
    for (int n = 0; n < count; ++n) {
        if (memory.testBit(first + n))
            out[n / 8] = char(quint8(out[n / 8]) | (1 << (n % 8)));
    }
    return dataAnswer(out);
}

SbusAnswer SimulatedPcd::writeWords(QList<qint32> &memory, const QByteArray &data)
{
    // wcount address values: wcount = 4 * n + 1
    const int payload = int(data.size()) - 3;
    if (payload < 4 || payload % 4 != 0 || payload / 4 > maxWordsPerTelegram)
        return nak();
    const int count = payload / 4;
    const int first = u16(data, 1);
    if (!inRange(first, count, int(memory.size())))
        return nak();
    for (int i = 0; i < count; ++i)
        memory[first + i] = qFromBigEndian<qint32>(data.constData() + 3 + 4 * i);
    return ack();
}

SbusAnswer SimulatedPcd::writeBits(QBitArray &memory, const QByteArray &data)
{
    // wcount address count-1 packed: wcount = bytes + 2
    if (data.size() < 5)
        return nak();
    const int first = u16(data, 1);
    const int count = quint8(data[3]) + 1;
    if (int(data.size()) - 4 != (count + 7) / 8 || count > maxBitsPerTelegram
        || !inRange(first, count, int(memory.size())))
        return nak();
    for (int n = 0; n < count; ++n)
        memory.setBit(first + n, (quint8(data[4 + n / 8]) >> (n % 8)) & 1);
    return ack();
}

SbusAnswer SimulatedPcd::readDataBlock(const QByteArray &data)
{
    const int count = quint8(data[0]) + 1;
    const int db = u16(data, 1);
    const int first = u16(data, 3);
    const auto block = m_blocks.constFind(db);
    if (count > maxWordsPerTelegram || block == m_blocks.cend()
        || !inRange(first, count, int(block->size())))
        return nak();
    QByteArray out;
    out.reserve(count * 4);
    for (int i = 0; i < count; ++i)
        appendWord(out, (*block)[first + i]);
    return dataAnswer(out);
}

SbusAnswer SimulatedPcd::readBlockSize(const QByteArray &data)
{
    const int type = u16(data, 0);
    const int number = u16(data, 2);
    const auto block = m_dbx.constFind(number);
    if (type != tlv::comm::SbusCommand::DbxBlockType || block == m_dbx.cend())
        return nak();
    const int size = int(block->size());
    QByteArray out;
    out.append(char((size >> 16) & 0xFF));
    out.append(char((size >> 8) & 0xFF));
    out.append(char(size & 0xFF));
    return dataAnswer(out);
}

SbusAnswer SimulatedPcd::readDbx(const QByteArray &data)
{
    const int count = quint8(data[0]) + 1;
    const int number = u16(data, 1);
    const int first = u24(data, 3);
    const auto block = m_dbx.constFind(number);
    if (count > maxWordsPerTelegram || block == m_dbx.cend())
        return nak();
    const int elements = int((block->size() + 3) / 4); // a partial last element reads as zeros
    if (!inRange(first, count, elements))
        return nak();
    QByteArray out = block->mid(qsizetype(first) * 4, count * 4);
    out.resize(count * 4, '\0');
    return dataAnswer(out);
}

void SimulatedPcd::addProgram(std::shared_ptr<PcdProgram> program)
{
    if (program)
        m_programs.append(std::move(program));
}

void SimulatedPcd::startCycling(int periodMs)
{
    m_sinceCycle.invalidate();
    m_cycleTimer.start(qMax(1, periodMs));
}

void SimulatedPcd::stopCycling()
{
    m_cycleTimer.stop();
}

void SimulatedPcd::runCycle(qint64 elapsedMs)
{
    if (m_status != 'R')
        return;
    const auto programs = m_programs; // a program may add another
    for (const auto &program : programs)
        program->cycle(*this, elapsedMs);
}

} // namespace tlv::pcdsim
