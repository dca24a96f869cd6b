#pragma once

#include "pcdsim/trace/PcdVariable.h"
#include "pcdsim/trace/TraceProgram.h"
#include "pcdsim/trace/TraceSource.h"

#include <optional>

namespace tlv::pcdsim {

// The trace library behind a generated PCD source: keeps a TLV2 buffer of the configured
// user buffer and fills it as the configuration asks.
//
// Choices the generated calls leave to the library, made here:
// - The start address names the start register S. With Memory 1 the buffer lies in the
//   registers right after it (word 0 at S + 1); with Memory 0 it lies in data block S (so S
//   must be 8000 or less). setPlacement() puts it elsewhere.
// - The configuration call's last argument (always 10) is the number of RecordInt units per
//   second: 10 makes RecordInt tenths of a second.
// - Header version: a 15-bit checksum of the record and change calls, so a recompiled layout
//   under the same key is told apart from a restart.
// - A column records on change when its packed value moved by more than its delta since the
//   last record (delta 0: any change). A bit column packs "value is not 0".
// - RecordCommand and ClearBuf are reset right after they were seen, also while RecordEnable
//   is off; the command then records nothing.
// - The DBX registry entry "TLVR__ACCESS_KEY" is published (see TraceProgram::publishDbx).
class TraceWriter : public TraceProgram
{
public:
    TraceWriter(const TraceSource &source, const SymbolTable &symbols);

    // Buffer in registers from `address`, or in data block `address`.
    void setPlacement(bool dataBlock, int address) { m_placement = { dataBlock, address }; }

    // Resolves every variable, writes the header and the start register, publishes the DBX
    // entry. False with a message, memory untouched by a failed check.
    bool setUp(SimulatedPcd &pcd, QString *error);

    void cycle(SimulatedPcd &pcd, qint64 elapsedMs) override;
    void setCommand(SimulatedPcd &pcd, qint32 value) override;
    [[nodiscard]] QList<qint32> currentRecord(const SimulatedPcd &pcd) const override;
    [[nodiscard]] QString name() const override { return m_source.headerKey; }

    [[nodiscard]] int startRegister() const { return m_startRegister; }
    [[nodiscard]] static qint32 layoutVersion(const TraceSource &source);
    // The value of one column as it is packed into its field.
    [[nodiscard]] static quint32 fieldValue(const TraceColumn &column, qint32 value);

private:
    struct Bound
    {
        TraceColumn column;
        PcdVariable variable;
    };
    bool bind(const QString &text, std::optional<PcdVariable> *target, QString *error) const;
    bool changed(const SimulatedPcd &pcd) const;
    void rememberChangeValues(const SimulatedPcd &pcd);

    TraceSource m_source;
    SymbolTable m_symbols;
    std::optional<std::pair<bool, int>> m_placement;
    QList<Bound> m_records;
    QList<Bound> m_changes;
    QList<quint32> m_lastChangeValues;
    std::optional<PcdVariable> m_serialNr, m_closeTlv, m_clearBuf, m_enable, m_command;
    int m_startRegister = 0;
};

} // namespace tlv::pcdsim
