#pragma once

#include "comm/sbus/SbusTransport.h"

#include <QBitArray>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

namespace tlv::pcdsim {

class PcdProgram;

// Memory and CPU state of a simulated PCD, and the execution of S-Bus commands against it.
// Unknown commands, counts above a telegram's limit, and addresses outside the memory or in a
// missing block are refused with NAK 1, as a real PCD does.
class SimulatedPcd : public QObject
{
    Q_OBJECT
public:
    static constexpr int registerCount = 16384; // R 0..16383
    static constexpr int binaryCount = 8192; // F, I, O 0..8191
    static constexpr int timerCount = 1600; // T and C 0..1599
    static constexpr int blockCount = 8192; // DB and DBX 0..8191
    static constexpr int maxBlockElements = 16383;
    static constexpr quint16 nakCode = 1;

    explicit SimulatedPcd(QObject *parent = nullptr);
    ~SimulatedPcd() override;

    void setStation(quint8 station) { m_station = station; }
    [[nodiscard]] quint8 station() const { return m_station; }
    // CPU status byte: 'R' run, 'S' stop, 'H' halt, 'C' conditional run, 'D', ...
    void setStatus(quint8 status) { m_status = status; }
    [[nodiscard]] quint8 status() const { return m_status; }

    // Setters return false (and change nothing) when the address is out of range.
    bool setRegister(int address, qint32 value);
    [[nodiscard]] qint32 registerValue(int address) const;
    bool setTimer(int address, qint32 value);
    [[nodiscard]] qint32 timer(int address) const;
    bool setCounter(int address, qint32 value);
    [[nodiscard]] qint32 counter(int address) const;
    bool setFlag(int address, bool on);
    [[nodiscard]] bool flag(int address) const;
    bool setInput(int address, bool on);
    [[nodiscard]] bool input(int address) const;
    bool setOutput(int address, bool on);
    [[nodiscard]] bool output(int address) const;

    // Creates DB `db` with `elements` zero elements, or resizes it keeping its values.
    bool defineDataBlock(int db, int elements);
    // Sets one element; the block is created or grown to hold it.
    bool setDataBlockElement(int db, int element, qint32 value);
    [[nodiscard]] bool hasDataBlock(int db) const { return m_blocks.contains(db); }
    [[nodiscard]] QList<qint32> dataBlock(int db) const { return m_blocks.value(db); }

    // DBX contents are bytes; S-Bus reads them as 4-byte big-endian elements.
    bool setDbxBytes(int dbx, int offset, const QByteArray &bytes);
    bool setDbxSize(int dbx, int bytes);
    [[nodiscard]] bool hasDbx(int dbx) const { return m_dbx.contains(dbx); }
    [[nodiscard]] QByteArray dbx(int dbx) const { return m_dbx.value(dbx); }
    // A 128-byte registry entry: key text in bytes 0..59 (zero padded), `value` in 60..63 and up
    // to sixteen table values in 64..127, all big-endian. False when the key is over 60 bytes.
    bool setDbxEntry(int dbx, int offset, const QByteArray &key, qint32 value,
        const QList<qint32> &table, QString *error = nullptr);

    // Executes one request addressed to this PCD: a data answer, an ACK, or NAK 1.
    tlv::comm::SbusAnswer execute(quint8 command, const QByteArray &data);

    // Programs run once per cycle while the status is 'R'.
    void addProgram(std::shared_ptr<PcdProgram> program);
    void startCycling(int periodMs);
    void stopCycling();
    // Runs one cycle now (tests drive the clock themselves).
    void runCycle(qint64 elapsedMs);

Q_SIGNALS:
    // After each executed request; for statistics and tests.
    void requestExecuted(quint8 command, bool refused);

private:
    tlv::comm::SbusAnswer readWords(const QList<qint32> &memory, const QByteArray &data);
    tlv::comm::SbusAnswer readBits(const QBitArray &memory, const QByteArray &data);
    tlv::comm::SbusAnswer writeWords(QList<qint32> &memory, const QByteArray &data);
    tlv::comm::SbusAnswer writeBits(QBitArray &memory, const QByteArray &data);
    tlv::comm::SbusAnswer readDataBlock(const QByteArray &data);
    tlv::comm::SbusAnswer readBlockSize(const QByteArray &data);
    tlv::comm::SbusAnswer readDbx(const QByteArray &data);
    tlv::comm::SbusAnswer dispatch(quint8 command, const QByteArray &data);

    quint8 m_station = 0;
    quint8 m_status = 'R';
    QList<qint32> m_registers;
    QList<qint32> m_timers;
    QList<qint32> m_counters;
    QBitArray m_flags;
    QBitArray m_inputs;
    QBitArray m_outputs;
    QHash<int, QList<qint32>> m_blocks;
    QHash<int, QByteArray> m_dbx;
    QList<std::shared_ptr<PcdProgram>> m_programs;
    QTimer m_cycleTimer;
    QElapsedTimer m_sinceCycle;
};

} // namespace tlv::pcdsim
