#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/ExportValues.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

using tlv::viewer::ColumnDescription;
using tlv::viewer::ExportNaming;
using tlv::viewer::ExportValues;
using Kind = ExportValues::CellKind;

namespace {

ColumnDescription column(qint16 type, const char *format)
{
    ColumnDescription c;
    c.Defined = true;
    c.DataType = type;
    c.Format = QString::fromLatin1(format);
    return c;
}

} // namespace

TEST(ExportValues, PcdTimeWordsBecomeOleAutomationValues)
{
    const double second = 1.0 / 86400.0;
    const struct
    {
        qint64 word;
        Kind kind;
        int year;
        std::optional<double> value;
    } cases[] = {
        { 1224235959, Kind::Date, 2026, 46380.0 },
        { 1224235959, Kind::Time, 2026, 86399 * second },
        { 1224235959, Kind::DateTime, 2026, 46380 + 86399 * second },
        { 1224120000, Kind::DateTime, 2026, 46380.5 },
        { 229000000, Kind::Date, 2024, 45351.0 }, // 29 February of a leap year
        { 101000000, Kind::Date, 2000, 36526.0 },
        // No such date or time.
        { 229000000, Kind::Date, 2026, {} },
        { 1345000000, Kind::Date, 2026, {} },
        { 1224240000, Kind::Time, 2026, {} },
        { 1224236000, Kind::Time, 2026, {} },
        { -5, Kind::DateTime, 2026, {} },
    };
    for (const auto &c : cases) {
        const auto value = ExportValues::pcdTime(c.word, c.kind, c.year);
        ASSERT_EQ(value.has_value(), c.value.has_value()) << c.word;
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *c.value) << c.word;
        }
    }
    EXPECT_DOUBLE_EQ(ExportValues::oleDate(QDateTime(QDate(2026, 12, 5), QTime(19, 18, 43))),
        46361 + (19 * 3600 + 18 * 60 + 43) * second);
    EXPECT_EQ(ExportValues::oleDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
}

TEST(ExportValues, CellKindFollowsGridColumnAndFormat)
{
    using T = ColumnDescription;
    const struct
    {
        int gridColumn;
        std::optional<ColumnDescription> description;
        Kind kind;
        int format;
    } cases[] = {
        { 1, std::nullopt, Kind::Date, 12 },
        { 2, std::nullopt, Kind::Time, 19 },
        { 3, std::nullopt, Kind::Text, 0 },
        { 4, std::nullopt, Kind::Text, 0 },
        { 4, column(T::Long, "tx"), Kind::Text, 0 },
        { 5, column(T::Long, "td"), Kind::Date, 12 },
        { 6, column(T::Long, "th"), Kind::Time, 19 },
        { 7, column(T::Long, "t"), Kind::DateTime, 20 },
        { 7, column(T::Long, "tq"), Kind::DateTime, 20 },
        { 7, column(T::Long, "tdx"), Kind::Text, 0 }, // shows the date and the time
        { 7, column(T::Long, "thm"), Kind::Text, 0 },
        { 7, column(T::Word, "td"), Kind::Text, 0 }, // only a Long holds a PCD time
        { 8, column(T::Word, "d"), Kind::Number, 0 },
        { 8, column(T::Word, "2sd"), Kind::Number, 0 },
        { 8, column(T::Word, "s"), Kind::Listed, 0 },
        { 8, column(T::Word, "F"), Kind::Listed, 0 },
        { 8, column(T::Long, "gs"), Kind::Listed, 0 },
        { 8, column(T::Long, "gd"), Kind::Listed, 0 },
        { 9, column(T::Word, "h"), Kind::Text, 0 },
        { 9, column(T::Byte, "b"), Kind::Text, 0 },
        { 9, column(T::Word, "p"), Kind::Text, 0 },
        { 9, column(T::Long, "1p"), Kind::Text, 0 },
        { 9, column(T::Word, "a"), Kind::Text, 0 },
        { 9, column(T::String, "10a"), Kind::Text, 0 },
        { 9, column(T::Bit, "h"), Kind::Number, 0 },
        { 9, column(T::Bit, "td"), Kind::Number, 0 },
        { 9, column(T::Bit, "s"), Kind::Listed, 0 },
    };
    for (const auto &c : cases) {
        const ColumnDescription *d = c.description ? &*c.description : nullptr;
        const Kind kind = ExportValues::kindOf(c.gridColumn, d);
        EXPECT_EQ(kind, c.kind) << c.gridColumn << " " << (d ? qPrintable(d->Format) : "-");
        EXPECT_EQ(ExportValues::formatIndex(kind), c.format) << c.gridColumn;
    } // A listed cell is a number only where it shows the value as it is.
    EXPECT_TRUE(ExportValues::showsItself(7, u"7"_s));
    EXPECT_TRUE(ExportValues::showsItself(-4294967296.0, u"-4294967296"_s));
    for (const auto &[number, text] : { std::pair { 7.0, "<7>" }, { 7.0, "07" }, { 3.0, "100" },
             { 1.5, "1.5" }, { 7.0, "Open" }, { 1e300, "1e300" } })
        EXPECT_FALSE(ExportValues::showsItself(number, QString::fromLatin1(text))) << text;
}

TEST(ExportNaming, TargetsInAllThreeModes)
{
    const QDateTime now(QDate(2026, 12, 5), QTime(19, 18, 43));
    EXPECT_EQ(ExportNaming::stamp(now), u"_261205191843"_s);
    EXPECT_EQ(
        ExportNaming::stamp(QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5))), u"_300102030405"_s);

    const struct
    {
        const char *exportFile;
        const char *completed;
        qint16 mode;
        const char *target;
    } cases[] = {
        { "C:\\Log\\", "C:\\Log\\Tolvane.xls", 1, "C:\\Log\\Tolvane_261205191843.xls" },
        { "C:\\Log\\run", "C:\\Log\\runTolvane.xls", 0, "C:\\Log\\runTolvane.xls" },
        { "C:\\Log\\Tolvane.xls", "C:\\Log\\Tolvane.xls", 2, "C:\\Log\\Tolvane_17.xls" },
        { "C:\\Log.d\\run", "C:\\Log.d\\runTolvane.xls", 1,
            "C:\\Log.d\\runTolvane_261205191843.xls" },
        { "/var/log/", "/var/log/Tolvane.xls", 0, "/var/log/Tolvane.xls" },
        { "/a.b/trace", "/a.b/traceTolvane.xls", 2, "/a.b/traceTolvane_17.xls" },
        { "/a/run.v2.xls", "/a/run.v2.xls", 1, "/a/run.v2_261205191843.xls" },
        { "/a/x.xls", "/a/x.xls", 3, "/a/x.xls" }, // unknown modes write the file itself
    };
    for (const auto &c : cases) {
        const QString completed = ExportNaming::completed(QString::fromLatin1(c.exportFile));
        EXPECT_EQ(completed, QString::fromLatin1(c.completed)) << c.exportFile;
        EXPECT_EQ(ExportNaming::target(completed, c.mode, now, 17), QString::fromLatin1(c.target))
            << c.exportFile << " mode " << c.mode;
    }
    EXPECT_EQ(ExportNaming::target(u"/a/x.xls"_s, 2, now, -5), u"/a/x_-5.xls"_s);
    EXPECT_TRUE(ExportNaming::isCsv(u"/a/x.CSV"_s));
    EXPECT_FALSE(ExportNaming::isCsv(u"/a/csv.xls"_s));
}
