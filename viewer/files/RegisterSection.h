#pragma once

#include "viewer/core/ColumnTable.h"

#include <QString>
#include <QStringList>

namespace tlv::viewer {

class FileTextSources;

// The lines of one REGISTER_n section of a description: each defines a column
// taking its value from a bit, nibble, byte, word or the whole of register n.
class RegisterSection
{
public:
    // Sections this large did not fit the reader on the PG5 side; refused alike.
    static constexpr int SizeLimit = 32765;

    // Fills the columns the lines define. texts (may be null) reads the symbol
    // file at the first symbol format. False with the system's message in error.
    static bool parse(const QStringList &lines, qint16 registerIndex, qint32 defaultWidth,
        ColumnTable &table, FileTextSources *texts, QString *error);

    // What a list of "\values)text" groups did to its column.
    enum class TextsResult { Ok, ColumnUndefined, TooMany, BadValue };
    // Parses the value-text groups of the "s" and "gm" formats into column.
    static TextsResult parseValueTexts(QStringView text, ColumnDescription &column);
};

} // namespace tlv::viewer
