#include "comm/sbus/SbusClient.h"

#include "comm/CommLog.h"

#include "comm/sbus/SbusCommand.h"
#include "comm/sbus/SbusSerialTransport.h"
#include "comm/sbus/SbusTransport.h"
#include "comm/sbus/SbusUdpTransport.h"

#include <QRandomGenerator>
#include <QtEndian>

namespace tlv::comm {

namespace {

constexpr int maxAddress = 0xFFFF;
constexpr int maxDbxElement = 0xFFFFFF;

void appendU16(QByteArray &bytes, int value)
{
    bytes.append(char((value >> 8) & 0xFF));
    bytes.append(char(value & 0xFF));
}

void appendU24(QByteArray &bytes, int value)
{
    bytes.append(char((value >> 16) & 0xFF));
    appendU16(bytes, value);
}

SbusResult invalid(const QString &text)
{
    return SbusResult::failure(SbusError::InvalidArgument, text);
}

// first..first+count-1 must be a range of 1..limit elements inside 0..maxIndex.
SbusResult checkRange(const char16_t *what, int first, int count, int limit, int maxIndex)
{
    if (count < 1 || count > limit)
        return invalid(u"Cannot read " + QString::number(count) + u' ' + QString::fromUtf16(what)
            + u" in one telegram (1 to " + QString::number(limit) + u')');
    if (first < 0 || first > maxIndex || count - 1 > maxIndex - first)
        return invalid(QString::fromUtf16(what) + u' ' + QString::number(first) + u".."
            + QString::number(qint64(first) + count - 1) + u" out of range (0 to "
            + QString::number(maxIndex) + u')');
    return SbusResult::success();
}

QList<qint32> wordsFrom(const QByteArray &data)
{
    QList<qint32> values;
    values.reserve(data.size() / 4);
    for (qsizetype at = 0; at + 4 <= data.size(); at += 4)
        values.append(qFromBigEndian<qint32>(data.constData() + at));
    return values;
}

} // namespace

SbusClient::SbusClient(QObject *parent)
    : QObject(parent)
    , m_sequence(quint16(QRandomGenerator::global()->bounded(0x10000)))
{ }

SbusClient::~SbusClient() = default;

SbusResult SbusClient::open(const SbusSettings &settings)
{
    if (isOpen())
        return finish(SbusResult::failure(SbusError::AlreadyOpen, QStringLiteral("Already open")));
    std::unique_ptr<SbusTransport> transport;
    if (settings.channel == SbusSettings::Channel::Serial)
        transport = std::make_unique<SbusSerialTransport>(settings.device, settings.baudRate);
    else
        transport = std::make_unique<SbusUdpTransport>(settings.host, settings.port);
    return open(std::move(transport), settings);
}

SbusResult SbusClient::open(std::unique_ptr<SbusTransport> transport, const SbusSettings &settings)
{
    if (isOpen())
        return finish(SbusResult::failure(SbusError::AlreadyOpen, QStringLiteral("Already open")));
    if (!transport)
        return finish(invalid(QStringLiteral("No transport")));
    const SbusResult result = transport->open();
    if (!result.ok()) {
        qCInfo(lcComm) << "cannot open" << transport->describe() << ":" << result.errorString;
        return finish(result);
    }
    m_transport = std::move(transport);
    m_settings = settings;
    setTimeout(settings.timeoutMs);
    setRetries(settings.retries);
    m_attempts = 0;
    qCInfo(lcComm) << "opened" << m_transport->describe() << "station" << m_settings.station;
    return finish(result);
}

void SbusClient::close()
{
    if (m_transport) {
        qCInfo(lcComm) << "closed" << m_transport->describe();
        m_transport->close();
    }
    if (!m_busy)
        m_transport.reset();
}

bool SbusClient::isOpen() const
{
    return m_transport && m_transport->isOpen();
}

SbusResult SbusClient::finish(const SbusResult &result)
{
    m_last = result;
    return result;
}

SbusResult SbusClient::transact(
    quint8 command, const QByteArray &data, int answerLength, QByteArray *answerData)
{
    if (!isOpen())
        return SbusResult::failure(SbusError::NotOpen, QStringLiteral("Not connected"));
    if (m_busy)
        return SbusResult::failure(
            SbusError::SendFailed, QStringLiteral("Another request is still running"));
    m_busy = true;
    SbusRequest request { m_settings.station, command, data, m_sequence++, answerLength, false };
    // Only a failure needs the words.
    const auto where = [this, &request]() -> QString {
        return m_transport->describe() + u" station " + QString::number(request.station);
    };
    SbusResult outcome;
    const int attempts = m_settings.retries + 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        request.resend = attempt > 0;
        SbusAnswer answer;
        ++m_attempts;
        const SbusResult result = m_transport->exchange(request, m_settings.timeoutMs, &answer);
        if (result.ok()) {
            const bool wantsData = answerLength > 0;
            if (answer.kind == SbusAnswer::Kind::AckNak && answer.code != 0) {
                outcome = SbusResult::failure(SbusError::Nak,
                    u"NAK " + QString::number(answer.code) + u" from " + where(), answer.code);
            } else if (answer.kind == SbusAnswer::Kind::AckNak && wantsData) {
                outcome = SbusResult::failure(
                    SbusError::WrongAnswer, u"ACK instead of data from " + where());
            } else if (answer.kind == SbusAnswer::Kind::Data && !wantsData) {
                outcome = SbusResult::failure(
                    SbusError::WrongAnswer, u"Data instead of an ACK from " + where());
            } else {
                if (answerData)
                    *answerData = answer.data;
                outcome = SbusResult::success();
            }
            if (outcome.ok() || outcome.error == SbusError::Nak)
                break; // a refusal is final; a mismatched answer is tried again
            continue;
        }
        outcome = result;
        const bool retryable = result.error == SbusError::NoResponse
            || result.error == SbusError::BadCrc || result.error == SbusError::WrongAnswer;
        if (!retryable || !m_transport->isOpen())
            break;
        if (attempt + 1 < attempts)
            qCDebug(lcComm) << "retry" << attempt + 1 << "of" << m_settings.retries << "after"
                            << sbusErrorName(result.error) << "from" << where();
    }
    m_busy = false;
    if (m_transport && !m_transport->isOpen())
        m_transport.reset(); // closed while we were waiting
    if (!outcome.ok() && outcome.error != SbusError::Nak && outcome.error != SbusError::NotOpen)
        outcome.errorString += u" (" + QString::number(attempts) + u" attempts)";
    if (!outcome.ok())
        qCInfo(lcComm) << "command" << command << "failed:" << outcome.errorString;
    return outcome;
}

// count elements from first, one telegram: its answer's bytes.
SbusResult SbusClient::readElements(quint8 command, const char16_t *what, int first, int count,
    int limit, int answerLength, QByteArray *answer)
{
    const SbusResult result = checkRange(what, first, count, limit, maxAddress);
    if (!result.ok())
        return result;
    QByteArray data;
    data.append(char(count - 1));
    appendU16(data, first);
    return transact(command, data, answerLength, answer);
}

SbusResult SbusClient::readWords(quint8 command, int first, int count, QList<qint32> *values)
{
    const char16_t *what = command == SbusCommand::ReadTimers ? u"timers"
        : command == SbusCommand::ReadCounters                ? u"counters"
                                                              : u"registers";
    QByteArray answer;
    const SbusResult result
        = readElements(command, what, first, count, maxElementsPerTelegram(), count * 4, &answer);
    if (result.ok() && values)
        *values = wordsFrom(answer);
    return finish(result);
}

SbusResult SbusClient::readBits(quint8 command, int first, int count, QList<bool> *values)
{
    const char16_t *what = command == SbusCommand::ReadInputs ? u"inputs"
        : command == SbusCommand::ReadOutputs                 ? u"outputs"
                                                              : u"flags";
    QByteArray answer;
    const SbusResult result = readElements(
        command, what, first, count, maxBinaryPerTelegram(), (count + 7) / 8, &answer);
    if (result.ok() && values) {
        // element n is bit n % 8 (LSB first) of byte n / 8
        QList<bool> bits;
        bits.reserve(count);
        for (int n = 0; n < count; ++n)
            bits.append((quint8(answer[n / 8]) >> (n % 8)) & 1);
        *values = bits;
    }
    return finish(result);
}

SbusResult SbusClient::readStatus(quint8 *status)
{
    return readByte(SbusCommand::ReadStatusOwn, status);
}

SbusResult SbusClient::readCpuStatus(int cpu, quint8 *status)
{
    if (cpu < 0 || cpu > 6)
        return finish(invalid(u"CPU " + QString::number(cpu) + u" out of range (0 to 6)"));
    return readByte(quint8(SbusCommand::ReadStatusCpu0 + cpu), status);
}

// A command without data whose answer is one byte.
SbusResult SbusClient::readByte(quint8 command, quint8 *value)
{
    QByteArray answer;
    const SbusResult result = transact(command, {}, 1, &answer);
    if (result.ok() && value)
        *value = quint8(answer[0]);
    return finish(result);
}

SbusResult SbusClient::readStationNumber(quint8 *station)
{
    return readByte(SbusCommand::ReadStationNumber, station);
}

SbusResult SbusClient::readRegisters(int first, int count, QList<qint32> *values)
{
    return readWords(SbusCommand::ReadRegisters, first, count, values);
}

SbusResult SbusClient::readTimers(int first, int count, QList<qint32> *values)
{
    return readWords(SbusCommand::ReadTimers, first, count, values);
}

SbusResult SbusClient::readCounters(int first, int count, QList<qint32> *values)
{
    return readWords(SbusCommand::ReadCounters, first, count, values);
}

SbusResult SbusClient::readFlags(int first, int count, QList<bool> *values)
{
    return readBits(SbusCommand::ReadFlags, first, count, values);
}

SbusResult SbusClient::readInputs(int first, int count, QList<bool> *values)
{
    return readBits(SbusCommand::ReadInputs, first, count, values);
}

SbusResult SbusClient::readOutputs(int first, int count, QList<bool> *values)
{
    return readBits(SbusCommand::ReadOutputs, first, count, values);
}

SbusResult SbusClient::readDataBlock(int db, int first, int count, QList<qint32> *values)
{
    return readBlockWords(SbusCommand::ReadDataBlock, db, first, count, values);
}

SbusResult SbusClient::readRegisterSpan(int first, std::span<qint32> destination)
{
    return readSpan(-1, first, destination);
}

SbusResult SbusClient::readDataBlockSpan(int db, int first, std::span<qint32> destination)
{
    return readSpan(db, first, destination);
}

// db < 0 reads registers.
SbusResult SbusClient::readSpan(int db, int first, std::span<qint32> destination)
{
    if (destination.empty() || destination.size() > size_t(maxAddress) + 1)
        return finish(
            invalid(u"Span of " + QString::number(destination.size()) + u" out of range"));
    const int count = int(destination.size());
    QList<qint32> values;
    values.reserve(count);
    for (int done = 0; done < count; done += maxElementsPerTelegram()) {
        const int part = qMin(maxElementsPerTelegram(), count - done);
        QList<qint32> words;
        const SbusResult result = db < 0 ? readRegisters(first + done, part, &words)
                                         : readDataBlock(db, first + done, part, &words);
        if (!result.ok())
            return result;
        values += words;
    }
    std::copy(values.cbegin(), values.cend(), destination.begin());
    qCDebug(lcComm).nospace() << (db < 0 ? "registers " : "data block ")
                              << (db < 0 ? QString() : QString::number(db) + u' ') << first << " +"
                              << count << ": read";
    return finish(SbusResult::success());
}

SbusResult SbusClient::readDbxSize(int dbx, qint32 *bytes)
{
    if (dbx < 0 || dbx > maxAddress)
        return finish(invalid(u"DBX " + QString::number(dbx) + u" out of range"));
    QByteArray data;
    appendU16(data, SbusCommand::DbxBlockType);
    appendU16(data, dbx);
    QByteArray answer;
    const SbusResult result = transact(SbusCommand::ReadBlockSize, data, 3, &answer);
    if (result.ok() && bytes)
        *bytes = (quint8(answer[0]) << 16) | (quint8(answer[1]) << 8) | quint8(answer[2]);
    return finish(result);
}

SbusResult SbusClient::readDbx(int dbx, int firstElement, int count, QList<qint32> *values)
{
    return readBlockWords(SbusCommand::ReadDbx, dbx, firstElement, count, values);
}

// A data block's or a DBX's words: the block number, then the first element, which a DBX
// addresses in 24 bits.
SbusResult SbusClient::readBlockWords(
    quint8 command, int block, int first, int count, QList<qint32> *values)
{
    const bool dbx = command == SbusCommand::ReadDbx;
    if (block < 0 || block > maxAddress)
        return finish(
            invalid((dbx ? u"DBX " : u"Data block ") + QString::number(block) + u" out of range"));
    SbusResult result = checkRange(dbx ? u"DBX elements" : u"data block elements", first, count,
        maxElementsPerTelegram(), dbx ? maxDbxElement : maxAddress);
    if (!result.ok())
        return finish(result);
    QByteArray data;
    data.append(char(count - 1));
    appendU16(data, block);
    if (dbx)
        appendU24(data, first);
    else
        appendU16(data, first);
    QByteArray answer;
    result = transact(command, data, count * 4, &answer);
    if (result.ok() && values)
        *values = wordsFrom(answer);
    return finish(result);
}

SbusResult SbusClient::readDbxBytes(int dbx, int byteOffset, int length, QByteArray *bytes)
{
    if (byteOffset < 0 || length < 0 || qint64(byteOffset) + length > qint64(maxDbxElement + 1) * 4)
        return finish(invalid(u"DBX bytes " + QString::number(byteOffset) + u"+"
            + QString::number(length) + u" out of range"));
    QByteArray collected;
    if (length > 0) {
        const int firstElement = byteOffset / 4;
        const int lastElement = int((qint64(byteOffset) + length - 1) / 4);
        collected.reserve((lastElement - firstElement + 1) * 4);
        for (int element = firstElement; element <= lastElement;) {
            const int count = qMin(maxElementsPerTelegram(), lastElement - element + 1);
            QList<qint32> words;
            const SbusResult result = readDbx(dbx, element, count, &words);
            if (!result.ok())
                return result;
            for (const qint32 word : words) {
                char raw[4];
                qToBigEndian(word, raw);
                collected.append(raw, 4);
            }
            element += count;
        }
        collected = collected.mid(byteOffset % 4, length);
    }
    if (bytes)
        *bytes = collected;
    return finish(SbusResult::success());
}

SbusResult SbusClient::writeRegisters(int first, const QList<qint32> &values)
{
    SbusResult result
        = checkRange(u"registers", first, int(values.size()), maxElementsPerTelegram(), maxAddress);
    if (!result.ok())
        return finish(result);
    QByteArray data;
    data.append(char(values.size() * 4 + 1));
    appendU16(data, first);
    for (const qint32 value : values) {
        char raw[4];
        qToBigEndian(value, raw);
        data.append(raw, 4);
    }
    return finish(transact(SbusCommand::WriteRegisters, data, 0, nullptr));
}

SbusResult SbusClient::writeFlags(int first, const QList<bool> &values)
{
    const int count = int(values.size());
    SbusResult result = checkRange(u"flags", first, count, maxBinaryPerTelegram(), maxAddress);
    if (!result.ok())
        return finish(result);
    QByteArray packed((count + 7) / 8, '\0');
    for (int n = 0; n < count; ++n) {
        if (values[n])
            packed[n / 8] = char(quint8(packed[n / 8]) | (1 << (n % 8)));
    }
    QByteArray data;
    data.append(char(packed.size() + 2));
    appendU16(data, first);
    data.append(char(count - 1));
    data.append(packed);
    return finish(transact(SbusCommand::WriteFlags, data, 0, nullptr));
}

} // namespace tlv::comm
