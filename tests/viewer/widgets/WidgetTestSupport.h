#pragma once

// A host for the control widget: the in-memory PCD of the core tests, answered
// inside the read event as a real host does, and a loader that hands out a
// fixed column table.

#include "../core/ControlTestHost.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/widgets/Tolvane.h"

#include <QList>
#include <QStringList>

namespace tlv::viewer::test {

// Columns: 1 "Level" Long d at word 0, 2 "Flags" Word h at word 1, 3 "State"
// Word with value texts at word 1 too.
class TableLoader : public BufferLoader
{
public:
    TableLoader()
    {
        auto add = [this](int n, const char *title, qint16 type, qint16 index, const char *format) {
            ColumnDescription &c = table[n];
            c.Defined = true;
            c.Title = QString::fromLatin1(title);
            c.DataType = type;
            c.RegisterIndex = index;
            c.Format = QString::fromLatin1(format);
            c.Width = 1200;
            table.MaxColumn = n;
        };
        add(1, "Level", ColumnDescription::Long, 0, "sd");
        add(2, "Flags", ColumnDescription::Word, 1, "h");
        add(3, "State", ColumnDescription::Word, 1, "s");
        table[3].ValueTexts = { { 0, QStringLiteral("Idle") }, { 10, QStringLiteral("Run") } };
        table[3].TextCount = 2;
        table[3].DefaultText = QStringLiteral("Other");
        layout.title = QStringLiteral("Pump station");
        layout.recordLength = 2;
        layout.recordNumber = 20;
        layout.recordInterval = 5;
    }
    bool loadDescription(
        const LoadContext &, ColumnTable &out, BufferLayout &outLayout, QString *) override
    {
        out = table;
        outLayout = layout;
        return true;
    }
    bool loadUserBuffer(const LoadContext &context, bool, ColumnTable &out, BufferLayout &outLayout,
        QString *error) override
    {
        return loadDescription(context, out, outLayout, error);
    }

    ColumnTable table;
    BufferLayout layout;
};

// A TLV2 register buffer at register 100 (start register 50), 2 words a record.
class RegisterHost : public BasicTestHost<Tolvane>
{
public:
    explicit RegisterHost(Tolvane &control)
        : BasicTestHost(control)
    {
        pcd.registers[50] = writer.startValue();
        writer.setWord(2, 7); // the header version
        control.setStartRegister(50);
    }
    void write(qint32 level, qint32 word1) { writer.write({ level, word1 }); }

    TraceWriter writer { pcd, false, 100, true, 2, 20 };
};

} // namespace tlv::viewer::test
