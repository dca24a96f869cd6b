#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

namespace tlv::pcdsim {

class SimulatedPcd;

// One PCD operand a program reads or drives: "R 100", "F 12", "I 3", "O 7", "T 5", "C 9",
// or a data-block element "DB 7 10". Symbols resolve through a symbol table first.
struct PcdVariable
{
    enum class Kind { None, Register, Flag, Input, Output, Timer, Counter, DataBlock };

    Kind kind = Kind::None;
    int address = 0;
    int element = 0; // DataBlock only

    [[nodiscard]] bool isValid() const { return kind != Kind::None; }
    [[nodiscard]] bool isBinary() const
    {
        return kind == Kind::Flag || kind == Kind::Input || kind == Kind::Output;
    }
    [[nodiscard]] qint32 read(const SimulatedPcd &pcd) const;
    // False when the address is out of the PCD's range.
    bool write(SimulatedPcd &pcd, qint32 value) const;
    [[nodiscard]] QString text() const;

    // "R 100", "r100", "DB 7 10", "DB 7.10"; false with a reason otherwise.
    static bool parse(const QString &text, PcdVariable *variable, QString *error);
};

// Symbols of a PG5 project ("_Global.sy5"): "Name EQU R 100 ;comment", "VOL" before the type,
// "$GROUP g" ... "$ENDGROUP" giving "g.Name". Names compare without regard to case.
class SymbolTable
{
public:
    bool load(const QString &path, QString *error);
    void add(const QString &name, const PcdVariable &variable);
    [[nodiscard]] bool contains(const QString &name) const;
    [[nodiscard]] PcdVariable value(const QString &name) const;
    [[nodiscard]] int count() const { return int(m_symbols.size()); }

    // A typed address, or else a symbol of this table; false with a reason.
    bool resolve(const QString &text, PcdVariable *variable, QString *error) const;

private:
    QHash<QString, PcdVariable> m_symbols;
};

} // namespace tlv::pcdsim
