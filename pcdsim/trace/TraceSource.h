#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace tlv::pcdsim {

// One TLVR__Record or TLVR__Change call: a variable packed into a place of the record.
struct TraceColumn
{
    QString variable;
    int place = 0;
    QString typeLetter; // Q, N, B, W, L, optionally followed by t or m
    int position = 0;
    qint32 delta = 0; // TLVR__Change only

    // Bits the field occupies: 1, 4, 8, 16 or 32.
    [[nodiscard]] int width() const;
};

// What a generated PCD source (".tlvs") asks of the trace library: the configuration call,
// the on-change block and the record block.
struct TraceSource
{
    QString headerKey;
    QString startAddress; // "R 1000"
    QString serialNr; // register feeding the export index word, "" = none
    QString closeTlv; // register feeding the command word, "" = none
    QString clearBuf; // flag that clears the buffer, "" = none
    QString recordEnable; // flag gating recording, "" = always
    qint32 recordInt = 0; // interval in 1/timeBase seconds, 0 = no periodic records
    QString recordCommand; // flag asking for one record, "" = none
    qint32 recordChange = 0; // non-zero: record on change
    qint32 memory = 1; // 0 data block, 1 registers
    qint32 recordLen = 0;
    qint32 bufferLen = 0; // records in the ring
    qint32 timeBase = 10; // the call's last argument: interval units per second
    qint32 compiler = 0; // _COMPILER of the preamble
    QList<TraceColumn> changes;
    QList<TraceColumn> records;
    qint32 changeEndLength = -1;
    qint32 recordEndLength = -1;

    // Reads the text of a generated source; false with a message naming the line.
    bool parse(const QString &text, QString *error);
    bool parseFile(const QString &path, QString *error);

private:
    // The arguments of a TLVR__config2 or (three) TLVR__config3 call; false with why.
    bool parseConfiguration(const QStringList &args, bool three, QString *why);
    // What the source as a whole must agree on; false with why.
    bool checkWhole(QString *why) const;
};

} // namespace tlv::pcdsim
