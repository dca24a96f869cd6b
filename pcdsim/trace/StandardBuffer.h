#pragma once

#include "pcdsim/trace/PcdVariable.h"
#include "pcdsim/trace/TraceProgram.h"

#include <QString>

namespace tlv::pcdsim {

// What the simulated PCD needs of a buffer description file (".tlv"/".tlvd", enciphered):
// header length, counter index, record length with the words its string columns take.
struct DescriptionLayout
{
    QString key;
    int headerLength = 16;
    int counterIndex = 4;
    int registers = 0; // RecordLenght
    int stringIndex = -1;
    QList<int> stringFormats; // leading number of each string column's format
    [[nodiscard]] int recordWords(qint32 stringLengths) const;

    bool read(const QString &path, QString *error);
};

// A standard buffer, as a PCD library described by a description file keeps it: every interval
// one record whose word k is taken from register `source` + k.
class StandardBuffer : public TraceProgram
{
public:
    struct Settings
    {
        int startRegister = 0; // holds the buffer's location
        bool dataBlock = false;
        int address = 0; // first register or data-block number of the buffer
        int capacity = 100;
        qint64 intervalMs = 1000; // 0: records only on a burst
        int source = 0; // first register the record words come from
        qint32 stringLengths = 0x10100808; // header string-length word, kind 0 lowest
        qint32 version = 1;
    };

    StandardBuffer(const DescriptionLayout &description, const Settings &settings);

    bool setUp(SimulatedPcd &pcd, QString *error);
    void cycle(SimulatedPcd &pcd, qint64 elapsedMs) override;
    [[nodiscard]] QList<qint32> currentRecord(const SimulatedPcd &pcd) const override;
    [[nodiscard]] QString name() const override { return m_description.key; }

    // The public events buffer's entry in a PG5 project's "Sym_System.sy5".
    [[nodiscard]] static QString systemSymbolLine(int startRegister);
    static bool writeSystemSymbols(const QString &folder, int startRegister, QString *error);

private:
    DescriptionLayout m_description;
    Settings m_settings;
};

} // namespace tlv::pcdsim
