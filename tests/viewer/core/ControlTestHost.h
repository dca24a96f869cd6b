#pragma once

// A host for the control core: an in-memory PCD holding a trace buffer that is
// written the way the PCD library writes it, answering read requests inside
// the event handler as a real host does.

#include "tests/TestSupport.h"
#include "viewer/core/BufferLoader.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/ControlCore.h"

#include <QHash>
#include <QList>

#include <algorithm>

namespace tlv::viewer::test {

inline qint32 fourChars(const char *text)
{
    return qint32((quint32(quint8(text[0])) << 24) | (quint32(quint8(text[1])) << 16)
        | (quint32(quint8(text[2])) << 8) | quint32(quint8(text[3])));
}

// Registers and data blocks; words never written read as 0.
struct MemoryPcd
{
    QHash<qint32, qint32> registers;
    QHash<qint32, QList<qint32>> blocks;

    [[nodiscard]] QList<qint32> readRegisters(qint32 first, qint32 count) const
    {
        QList<qint32> out;
        for (qint32 i = 0; i < count; ++i)
            out.append(registers.value(first + i));
        return out;
    }
    [[nodiscard]] QList<qint32> readBlock(qint32 db, qint32 offset, qint32 count) const
    {
        const QList<qint32> &block = blocks[db];
        QList<qint32> out;
        for (qint32 i = 0; i < count; ++i)
            out.append(block.value(offset + i));
        return out;
    }
};

// The writer side of a trace buffer, as the PCD library lays it out.
class TraceWriter
{
public:
    TraceWriter(MemoryPcd &pcd, bool dataBlock, qint32 address, bool tlv2, qint32 recordLength,
        qint32 capacity)
        : m_pcd(pcd)
        , m_dataBlock(dataBlock)
        , m_address(address)
        , m_header(tlv2 ? 16 : 8)
        , m_recordLength(recordLength)
        , m_capacity(capacity)
    {
        if (m_dataBlock)
            m_pcd.blocks[address] = QList<qint32>(m_header + recordLength * capacity + 16, 0);
        setWord(0, fourChars(tlv2 ? "TLV2" : "TLV1"));
        setWord(1, fourChars("TEST"));
        setWord(2, -3);
        setWord(3, 100);
        setWord(4 + 3, capacity);
    }

    // The start register value pointing at this buffer.
    [[nodiscard]] qint32 startValue() const
    {
        return m_dataBlock ? 68 * 65536 + m_address : m_address;
    }
    void setWord(qint32 offset, qint32 value)
    {
        if (m_dataBlock)
            m_pcd.blocks[m_address][offset] = value;
        else
            m_pcd.registers[m_address + offset] = value;
    }
    [[nodiscard]] qint32 word(qint32 offset) const
    {
        return m_dataBlock ? m_pcd.blocks[m_address].value(offset)
                           : m_pcd.registers.value(m_address + offset);
    }
    // Fills the slot at the write index, advances it, counts the record.
    void write(const QList<qint32> &record)
    {
        const qint32 slot = word(5);
        for (qint32 i = 0; i < m_recordLength; ++i)
            setWord(m_header + slot * m_recordLength + i, record.value(i));
        setWord(5, slot + 1 >= m_capacity ? 0 : slot + 1);
        setWord(4, word(4) + 1);
    }
    // Records whose words are {n, 10n, ...}: easy to recognise in rows.
    void writeNumbered(int count)
    {
        for (int i = 0; i < count; ++i) {
            ++m_next;
            QList<qint32> record;
            for (qint32 w = 0; w < m_recordLength; ++w)
                record.append(w == 0 ? m_next : m_next * 10);
            write(record);
        }
    }
    // The PCD cleared its buffer.
    void restart()
    {
        setWord(4, 0);
        setWord(5, 0);
    }
    void setCommand(qint32 command) { setWord(8, command); }

private:
    MemoryPcd &m_pcd;
    bool m_dataBlock;
    qint32 m_address;
    qint32 m_header;
    qint32 m_recordLength;
    qint32 m_capacity;
    qint32 m_next = 0;
};

// A loader that hands out a fixed table of Long "d" columns, one per word
// for the first `columns` words of the record.
class FakeLoader : public BufferLoader
{
public:
    explicit FakeLoader(int words = 2, qint32 recordNumber = 10, int columns = -1)
    {
        columns = std::min(columns < 0 ? words : columns, ColumnTable::Size - 1);
        for (int i = 0; i < columns; ++i) {
            ColumnDescription &c = table[i + 1];
            c.Defined = true;
            c.DataType = ColumnDescription::Long;
            c.RegisterIndex = qint16(i);
            c.Format = QStringLiteral("d");
            c.Width = 1000;
            c.Title = QStringLiteral("W") + QString::number(i);
            table.MaxColumn = i + 1;
        }
        layout.title = QStringLiteral("Test buffer");
        layout.recordLength = qint16(words);
        layout.recordNumber = recordNumber;
        layout.recordInterval = 5;
    }

    bool loadDescription(const LoadContext &context, ColumnTable &out, BufferLayout &outLayout,
        QString *error) override
    {
        descriptionLoads.append(context);
        return give(out, outLayout, error);
    }
    bool loadUserBuffer(const LoadContext &context, bool checkHeaderKey, ColumnTable &out,
        BufferLayout &outLayout, QString *error) override
    {
        userLoads.append(context);
        keyChecks.append(checkHeaderKey);
        return give(out, outLayout, error);
    }

    ColumnTable table;
    BufferLayout layout;
    QString failWith; // non-empty: every load fails with it
    QList<LoadContext> descriptionLoads;
    QList<LoadContext> userLoads;
    QList<bool> keyChecks;

private:
    bool give(ColumnTable &out, BufferLayout &outLayout, QString *error)
    {
        if (!failWith.isEmpty()) {
            *error = failWith;
            return false;
        }
        out = table;
        outLayout = layout;
        return true;
    }
};

// One request the control raised.
struct Request
{
    bool dataBlock = false;
    qint32 first = 0; // register number, or DB number
    qint32 offset = 0; // DB offset
    qint32 count = 0;

    friend bool operator==(const Request &, const Request &) = default;
};

inline Request reg(qint32 first, qint32 count)
{
    return { false, first, 0, count };
}
inline Request db(qint32 number, qint32 offset, qint32 count)
{
    return { true, number, offset, count };
}

// Answers every request from the memory PCD inside the handler, for the core
// or for the widget around it.
template<typename Control> class BasicTestHost
{
public:
    explicit BasicTestHost(Control &core)
        : m_core(core)
    {
        QObject::connect(&core, &Control::ReadPCDReg, [this](qint16 first, qint16 count) {
            answer(reg(first, count), pcd.readRegisters(first, count));
        });
        QObject::connect(
            &core, &Control::ReadPCDDB, [this](qint16 number, qint16 offset, qint16 count) {
                answer(db(number, offset, count), pcd.readBlock(number, offset, count));
            });
        QObject::connect(
            &core, &Control::OutputLine, [this](const QString &line) { lines.append(line); });
        QObject::connect(&core, &Control::ModulError, [this](qint16 code, const QString &text) {
            errors.append({ code, text });
        });
    }

    MemoryPcd pcd;
    QList<Request> requests;
    QStringList lines;
    QList<QPair<qint16, QString>> errors;
    // Short answers: request number (counting from 0 over the host's life) -> words kept.
    QHash<int, int> cutAnswers;

private:
    void answer(const Request &request, const QList<qint32> &words)
    {
        const int index = int(requests.size());
        requests.append(request);
        m_core.setDataBlock(words.mid(0, cutAnswers.value(index, int(words.size()))));
    }

    Control &m_core;
};

using TestHost = BasicTestHost<ControlCore>;

} // namespace tlv::viewer::test
