#pragma once

#include "comm/sbus/SbusResult.h"
#include "comm/sbus/SbusSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <memory>
#include <span>

namespace tlv::comm {

class SbusTransport;
struct SbusAnswer;

// Synchronous S-Bus master for one PCD over UDP (Ether-S-Bus) or a serial line (data mode).
//
// Every call blocks in a local event loop that skips user input, so an in-process peer on the
// same thread is still served, and returns within timeoutMs × (retries + 1). A retry resends the
// same telegram with the same sequence number. Counts above maxElementsPerTelegram() (32) and
// addresses past 65535 are refused with InvalidArgument before anything is sent; the span reads
// split a long read into telegrams. On failure the outputs are left unchanged.
class SbusClient : public QObject
{
    Q_OBJECT
public:
    explicit SbusClient(QObject *parent = nullptr);
    ~SbusClient() override;

    static constexpr int maxElementsPerTelegram() { return 32; }
    static constexpr int maxBinaryPerTelegram() { return 128; }

    // Opens the transport of the settings; AlreadyOpen when open (the old link stays).
    SbusResult open(const SbusSettings &settings);
    // Opens over a ready-made transport (tests, other channels); takes ownership.
    SbusResult open(std::unique_ptr<SbusTransport> transport, const SbusSettings &settings);
    void close();
    [[nodiscard]] bool isOpen() const;

    [[nodiscard]] SbusSettings settings() const { return m_settings; }
    void setStation(quint8 station) { m_settings.station = station; }
    [[nodiscard]] quint8 station() const { return m_settings.station; }
    void setTimeout(int ms) { m_settings.timeoutMs = qMax(1, ms); }
    void setRetries(int retries) { m_settings.retries = qMax(0, retries); }
    // Next sequence number (Ether-S-Bus); starts at a random value after construction.
    void setNextSequence(quint16 sequence) { m_sequence = sequence; }
    [[nodiscard]] quint16 nextSequence() const { return m_sequence; }

    // Run status of the addressed ("own") CPU: an ASCII byte such as 'R', 'S', 'H', 'C', 'D'.
    SbusResult readStatus(quint8 *status);
    // Run status of CPU 0..6.
    SbusResult readCpuStatus(int cpu, quint8 *status);
    SbusResult readStationNumber(quint8 *station);

    SbusResult readRegisters(int first, int count, QList<qint32> *values);
    SbusResult readTimers(int first, int count, QList<qint32> *values);
    SbusResult readCounters(int first, int count, QList<qint32> *values);
    // Binary media: up to 128 elements per telegram.
    SbusResult readFlags(int first, int count, QList<bool> *values);
    SbusResult readInputs(int first, int count, QList<bool> *values);
    SbusResult readOutputs(int first, int count, QList<bool> *values);
    // Data block items (32-bit elements).
    SbusResult readDataBlock(int db, int first, int count, QList<qint32> *values);
    // Registers or data-block elements filling destination, in telegrams of 32: the one loop
    // both drivers read long spans with.
    SbusResult readRegisterSpan(int first, std::span<qint32> destination);
    SbusResult readDataBlockSpan(int db, int first, std::span<qint32> destination);
    // Size of an extension data block (DBX) in bytes.
    SbusResult readDbxSize(int dbx, qint32 *bytes);
    // DBX contents as 4-byte big-endian elements; firstElement is a 24-bit element index.
    SbusResult readDbx(int dbx, int firstElement, int count, QList<qint32> *values);
    // DBX contents as raw bytes in wire order (element bytes high first) from any byte offset;
    // reads the covering elements in telegrams of 32 and cuts out the wanted bytes.
    SbusResult readDbxBytes(int dbx, int byteOffset, int length, QByteArray *bytes);

    SbusResult writeRegisters(int first, const QList<qint32> &values);
    SbusResult writeFlags(int first, const QList<bool> &values);

    // Result of the last operation, in the Qt I/O style.
    [[nodiscard]] SbusResult lastResult() const { return m_last; }
    [[nodiscard]] SbusError error() const { return m_last.error; }
    [[nodiscard]] QString errorString() const { return m_last.errorString; }
    // Telegram attempts sent since open (retries included); for statistics and tests.
    [[nodiscard]] quint64 attemptsSent() const { return m_attempts; }

private:
    SbusResult transact(
        quint8 command, const QByteArray &data, int answerLength, QByteArray *answerData);
    SbusResult readElements(quint8 command, const char16_t *what, int first, int count, int limit,
        int answerLength, QByteArray *answer);
    SbusResult readWords(quint8 command, int first, int count, QList<qint32> *values);
    SbusResult readSpan(int db, int first, std::span<qint32> destination);
    SbusResult readBits(quint8 command, int first, int count, QList<bool> *values);
    SbusResult readBlockWords(
        quint8 command, int block, int first, int count, QList<qint32> *values);
    SbusResult readByte(quint8 command, quint8 *value);
    SbusResult finish(const SbusResult &result);

    std::unique_ptr<SbusTransport> m_transport;
    SbusSettings m_settings;
    SbusResult m_last;
    quint16 m_sequence = 0;
    quint64 m_attempts = 0;
    bool m_busy = false;
};

} // namespace tlv::comm
