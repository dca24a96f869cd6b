#include "tests/TestSupport.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/RecordDecoder.h"
#include "viewer/core/RowStore.h"
#include "viewer/files/ExportGridSource.h"
#include "viewer/files/Exporter.h"
#include "viewer/widgets/ConversionText.h"

#include <QMap>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

using namespace Qt::StringLiterals;
using namespace tlv::viewer;

namespace {

// The number and label cells of a BIFF2 worksheet: (row, column) -> text, a
// number written as "=value".
QMap<std::pair<int, int>, QString> sheetCells(const QString &path)
{
    QMap<std::pair<int, int>, QString> cells;
    const QByteArray b = tlv::test::readBytes(path);
    qsizetype at = 0;
    while (at + 4 <= b.size()) {
        const int id = qFromLittleEndian<quint16>(b.constData() + at);
        const int length = qFromLittleEndian<quint16>(b.constData() + at + 2);
        const char *body = b.constData() + at + 4;
        if (at + 4 + length > b.size())
            break;
        if ((id == 0x03 || id == 0x04) && length >= 8) {
            const int row = qFromLittleEndian<quint16>(body);
            const int col = qFromLittleEndian<quint16>(body + 2);
            if (id == 0x03 && length >= 15) {
                double v = 0;
                std::memcpy(&v, body + 7, 8);
                cells[{ row, col }] = u'=' + QString::number(v, 'g', 15);
            } else if (id == 0x04) {
                const int n = quint8(body[7]);
                cells[{ row, col }] = QString::fromLatin1(body + 8, qMin(n, length - 8));
            }
        }
        at += 4 + length;
    }
    return cells;
}

ColumnDescription column(const char *title, qint16 type, const char *format, qint16 index)
{
    ColumnDescription c;
    c.Defined = true;
    c.Title = QString::fromLatin1(title);
    c.DataType = type;
    c.Format = QString::fromLatin1(format);
    c.RegisterIndex = index;
    c.Width = 1000;
    return c;
}

} // namespace

// A string holding ";" before numeric columns used to move every later
// column's raw value onto its neighbour. The grid's cells now carry their own.
TEST(TypedCells, ConversionAndExportSeeEveryColumnsOwnValue)
{
    using T = ColumnDescription;
    ColumnTable table;
    table[0] = column("Name", T::String, "8a", 0);
    table[0].StringLength = 8;
    table[0].ExtraRegisters = 1;
    table[1] = column("Level", T::Word, "2d", 2);
    table[2] = column("Code", T::Word, "h", 3);
    table[3] = column("Offset", T::Byte, "sd", 4);
    table[4] = column("State", T::Word, "S", 5);
    table[5] = column("Energy", T::Long, "d", 6);
    table.MaxColumn = 5;
    const QList<qint32> words { 0x783B313B, 0x323B333B, 1234, 0x048F, 255, 7, -1 };
    const DecodedRecord decoded = RecordDecoder().decode(table, words, 0, nullptr);
    ASSERT_TRUE(decoded.ok);

    RowStore rows;
    rows.setColumns(table);
    rows.addRecord(decoded);
    ASSERT_EQ(rows.cell(0, 4), u"x;1;2;3;"_s);

    struct Expected
    {
        const char *shown;
        std::optional<qint64> raw;
        const char *sheet;
    };
    const Expected expected[] = { { "x;1;2;3;", std::nullopt, "x;1;2;3;" },
        { "12.34", 1234, "=12.34" }, { "048F", 0x048F, "048F" }, { "-1", -1, "=-1" },
        { "7", 7, "=7" }, { "4294967295", 4294967295, "=4294967295" } };
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const int g = RowStore::StampColumns + k;
        EXPECT_EQ(rows.cell(0, g), QString::fromLatin1(expected[k].shown));
        const auto request
            = ConversionText::forCell(table[k], rows.rawValue(0, g), rows.cell(0, g), {});
        ASSERT_TRUE(request);
        if (k == 0 || k == 4) {
            // The string and the value text open as texts.
            EXPECT_FALSE(request->numeric);
            continue;
        }
        ASSERT_TRUE(request->numeric);
        EXPECT_EQ(request->raw, *expected[k].raw);
    }
    EXPECT_EQ(rows.rawValue(0, 8), 7);

    QTemporaryDir dir;
    ExportGridSource source(rows, table);
    Exporter exporter(source);
    exporter.setExportFile(dir.filePath(u"typed.xls"_s));
    exporter.setClearRecords([&] { rows.removeAllRows(); });
    ASSERT_EQ(exporter.Export(), Exporter::Result::Exported);
    const auto cells = sheetCells(dir.filePath(u"typed.xls"_s));
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(cells.value({ 0, k }), table[k].Title) << k;
        EXPECT_EQ(cells.value({ 1, k }), QString::fromLatin1(expected[k].sheet)) << k;
    }
}
