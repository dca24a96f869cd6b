#pragma once

// A host for the control widget: registers of a PCD in memory holding a TLV
// trace buffer, answered inside the read event as a real host does, and a
// loader that hands out a fixed column table.

#include "common/ScriptedPrompter.h"
#include "viewer/core/BufferLoader.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/widgets/Tolvane.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tlv::viewer::test {

inline qint32 fourChars(const char *text)
{
    return qint32((quint32(quint8(text[0])) << 24) | (quint32(quint8(text[1])) << 16)
        | (quint32(quint8(text[2])) << 8) | quint32(quint8(text[3])));
}

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

// A register buffer at register 100 (start register 50), TLV2, 2 words a record.
class RegisterHost
{
public:
    static constexpr qint16 StartRegister = 50;
    static constexpr qint32 Address = 100;
    static constexpr qint32 Capacity = 20;
    static constexpr qint32 Header = 16;

    explicit RegisterHost(Tolvane &control)
        : m_control(control)
    {
        registers[StartRegister] = Address;
        set(0, fourChars("TLV2"));
        set(1, fourChars("PUMP"));
        set(2, 7);
        set(3, 100);
        set(7, Capacity);
        QObject::connect(&control, &Tolvane::ReadPCDReg, [this](qint16 first, qint16 count) {
            ++requests;
            QList<qint32> words;
            for (qint32 i = 0; i < count; ++i)
                words.append(registers.value(first + i));
            m_control.setDataBlock(words);
        });
        QObject::connect(
            &control, &Tolvane::OutputLine, [this](const QString &line) { lines.append(line); });
        QObject::connect(&control, &Tolvane::ModulError, [this](qint16 code, const QString &text) {
            errors.append({ code, text });
        });
        control.setStartRegister(StartRegister);
    }
    void set(qint32 offset, qint32 value) { registers[Address + offset] = value; }
    [[nodiscard]] qint32 word(qint32 offset) const { return registers.value(Address + offset); }
    // Writes a record {level, word} the way the PCD library does.
    void write(qint32 level, qint32 word1)
    {
        const qint32 slot = word(5);
        set(Header + slot * 2, level);
        set(Header + slot * 2 + 1, word1);
        set(5, slot + 1 >= Capacity ? 0 : slot + 1);
        set(4, word(4) + 1);
    }
    void setCommand(qint32 command) { set(8, command); }

    QHash<qint32, qint32> registers;
    QStringList lines;
    QList<QPair<qint16, QString>> errors;
    int requests = 0;

private:
    Tolvane &m_control;
};

} // namespace tlv::viewer::test
