#pragma once

#include "cSymbol.h"

#include <QString>

namespace tlv::viewer {

// Reads a PG5 symbol file ("Pump EQU R 100 ;comment", $GROUP / $ENDGROUP)
// into a cSymbol. Lines that define no symbol are passed over.
class SymbolFileReader
{
public:
    // False with a description in error when the file cannot be read to its
    // end; the symbols read until then stay in symbols.
    static bool read(const QString &path, cSymbol &symbols, QString *error);
    // One line with the current group names; adds the symbol it defines.
    // False with error set when the line is broken beyond passing over.
    static bool readLine(QString line, QStringList &groups, cSymbol &symbols, QString *error);
};

} // namespace tlv::viewer
