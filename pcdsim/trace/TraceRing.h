#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace tlv::pcdsim {

class SimulatedPcd;

// A trace buffer in PCD memory, kept the way the viewer reads it:
//   word 0 header type key ("TLV1"/"TLV2"), 1 header key, 2 header version, 3 buffer length
//   (the number of records), c record counter, c+1 write index, c+3 record capacity,
//   c+4 command word, c+6 export index word (TLV2; also at words 8 and 10), then the records
//   from word H (8 for TLV1, 16 for TLV2), slot k at H + k * recordLength.
// The slot is written completely before the write index and the counter move on.
class TraceRing
{
public:
    struct Layout
    {
        QString typeKey = QStringLiteral("TLV2");
        QString key;
        qint32 version = 0;
        int counterIndex = 4;
        int recordLength = 1; // words per record, string words included
        int capacity = 1;
        bool dataBlock = false;
        int address = 0; // first register, or the data-block number
        int stringIndex = -1; // header word with four string lengths, -1 none
        qint32 stringLengths = 0;
    };

    // Checks the layout against the PCD's memory and writes a fresh header.
    bool create(SimulatedPcd &pcd, const Layout &layout, QString *error);

    [[nodiscard]] const Layout &layout() const { return m_layout; }
    [[nodiscard]] int headerLength() const { return m_layout.typeKey == u"TLV1" ? 8 : 16; }
    [[nodiscard]] int totalWords() const
    {
        return headerLength() + m_layout.recordLength * m_layout.capacity;
    }
    // The value the start register holds: the register number, or "D" << 16 | block.
    [[nodiscard]] qint32 startRegisterValue() const;

    // Appends one record (cut or zero-filled to the record length).
    void append(SimulatedPcd &pcd, const QList<qint32> &record);
    // Counter and write index back to 0, as after a PCD restart or a clear.
    void restart(SimulatedPcd &pcd);
    void setCommandWord(SimulatedPcd &pcd, qint32 value);
    void setExportIndex(SimulatedPcd &pcd, qint32 value);

    [[nodiscard]] qint64 counter() const { return m_counter; }
    [[nodiscard]] int writeIndex() const { return m_writeIndex; }

    [[nodiscard]] static qint32 fourCharWord(const QString &text);

private:
    void setWord(SimulatedPcd &pcd, int offset, qint32 value) const;
    void writeCounters(SimulatedPcd &pcd);

    Layout m_layout;
    qint64 m_counter = 0;
    int m_writeIndex = 0;
};

} // namespace tlv::pcdsim
