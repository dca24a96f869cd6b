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

TEST(ExportValues, NumbersAreReadAsTheDecoderWritesThem)
{
    const struct
    {
        const char *text;
        std::optional<double> value;
    } cases[] = {
        { "0", 0.0 },
        { "-1", -1.0 },
        { "12.34", 12.34 },
        { "-0.50", -0.5 },
        { "4294967295", 4294967295.0 },
        { "0012", 12.0 },
        // Not numbers here, whatever a lenient parser would make of them.
        { "", {} },
        { "1E05", {} },
        { "12D4", {} },
        { "0A", {} },
        { "&H10", {} },
        { "12,5", {} },
        { "12.", {} },
        { ".5", {} },
        { " 7", {} },
        { "+7", {} },
        { "<7>", {} },
        { "00001010 10111100", {} },
        { "3/1/12", {} },
        { "----------------", {} },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExportValues::number(QString::fromLatin1(c.text)), c.value) << c.text;

    // Every length of digits and places reads as the nearest double, as a full parser has it.
    for (int digits = 1; digits <= 24; ++digits) {
        for (int places = 0; places < digits; ++places) {
            QString text;
            for (int i = 0; i < digits; ++i)
                text += QChar(u'0' + (7 * i + digits + places) % 10);
            if (places > 0)
                text.insert(digits - places, u'.');
            for (const QString &t : { text, QString(u'-' + text) }) {
                bool ok = false;
                const double expected = t.toDouble(&ok);
                ASSERT_TRUE(ok) << qPrintable(t);
                const auto value = ExportValues::number(t);
                ASSERT_TRUE(value) << qPrintable(t);
                EXPECT_EQ(*value, expected) << qPrintable(t);
                EXPECT_EQ(std::signbit(*value), std::signbit(expected)) << qPrintable(t);
            }
        }
    }
}

TEST(ExportValues, DatesAndTimesBecomeOleAutomationValues)
{
    const double second = 1.0 / 86400.0;
    EXPECT_EQ(ExportValues::date(u"05/12/26"_s), 46361.0);
    EXPECT_EQ(ExportValues::date(u"01/01/00"_s), 36526.0);
    EXPECT_EQ(ExportValues::date(u"29/02/24"_s), 45351.0);
    EXPECT_EQ(ExportValues::date(u"31/12/29"_s), 47483.0);
    EXPECT_EQ(ExportValues::time(u"00:00:00"_s), 0.0);
    EXPECT_DOUBLE_EQ(*ExportValues::time(u"12:00:00"_s), 0.5);
    EXPECT_DOUBLE_EQ(*ExportValues::time(u"23:59:59"_s), 86399 * second);
    EXPECT_DOUBLE_EQ(*ExportValues::time(u"7:05:09"_s), (7 * 3600 + 309) * second);
    EXPECT_DOUBLE_EQ(*ExportValues::time(u"19:18"_s), (19 * 3600 + 18 * 60) * second);
    EXPECT_DOUBLE_EQ(*ExportValues::dateTime(u"24/12/26 23:59:59"_s), 46380 + 86399 * second);
    EXPECT_DOUBLE_EQ(ExportValues::oleDate(QDateTime(QDate(2026, 12, 5), QTime(19, 18, 43))),
        46361 + (19 * 3600 + 18 * 60 + 43) * second);
    EXPECT_EQ(ExportValues::oleDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);

    for (const char *bad : { "", "Invalid time", "31/02/26", "00/01/26", "01/13/26", "1/1/26",
             "01-01-26", "01/01/2026", "----------------" })
        EXPECT_FALSE(ExportValues::date(QString::fromLatin1(bad))) << bad;
    for (const char *bad : { "", "Invalid time", "24:00:00", "23:60:00", "23:59:60", "99:99:99",
             "12", "1:2:3", "12:00:00:00", "-1:00:00", "12:00:00.5" })
        EXPECT_FALSE(ExportValues::time(QString::fromLatin1(bad))) << bad;
    for (const char *bad :
        { "24/12/26", "23:59:59", "24/12/26  23:59:59", "45/13/26 23:59:59", "24/12/26 25:00:00" })
        EXPECT_FALSE(ExportValues::dateTime(QString::fromLatin1(bad))) << bad;
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
        { 3, std::nullopt, Kind::NumberOrText, 0 },
        { 4, std::nullopt, Kind::NumberOrText, 0 },
        { 4, column(T::Long, "tx"), Kind::Text, 0 },
        { 5, column(T::Long, "td"), Kind::Date, 12 },
        { 6, column(T::Long, "th"), Kind::Time, 19 },
        { 7, column(T::Long, "t"), Kind::DateTime, 20 },
        { 7, column(T::Long, "tq"), Kind::DateTime, 20 },
        { 8, column(T::Word, "d"), Kind::NumberOrText, 0 },
        { 8, column(T::Word, "s"), Kind::NumberOrText, 0 },
        { 8, column(T::Long, "gs"), Kind::NumberOrText, 0 },
        { 9, column(T::Word, "h"), Kind::Text, 0 },
        { 9, column(T::Byte, "b"), Kind::Text, 0 },
        { 9, column(T::Word, "p"), Kind::Text, 0 },
        { 9, column(T::Long, "1p"), Kind::Text, 0 },
        { 9, column(T::Word, "a"), Kind::Text, 0 },
        { 9, column(T::String, "10a"), Kind::Text, 0 },
        { 9, column(T::Bit, "h"), Kind::NumberOrText, 0 },
        { 9, column(T::Bit, "td"), Kind::NumberOrText, 0 },
    };
    for (const auto &c : cases) {
        const ColumnDescription *d = c.description ? &*c.description : nullptr;
        const Kind kind = ExportValues::kindOf(c.gridColumn, d);
        EXPECT_EQ(kind, c.kind) << c.gridColumn << " " << (d ? qPrintable(d->Format) : "-");
        EXPECT_EQ(ExportValues::formatIndex(kind), c.format) << c.gridColumn;
    }
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

TEST(ExportValues, ReadsBackWhatTheDecoderWrites)
{
    using tlv::viewer::FormatText;
    for (const auto &[value, decimals] : std::initializer_list<std::pair<qint64, int>> { { 0, 0 },
             { -1, 0 }, { 4294967295, 0 }, { 1234, 2 }, { -5, 2 }, { -32768, 3 }, { 7, 4 } }) {
        const QString text = FormatText::decimal(value, decimals);
        ASSERT_TRUE(ExportValues::number(text)) << qPrintable(text);
        EXPECT_DOUBLE_EQ(*ExportValues::number(text), value / std::pow(10.0, decimals));
    }
    const double second = 1.0 / 86400.0;
    EXPECT_EQ(ExportValues::date(FormatText::time(1224235959, u"d"_s, 26)), 46380.0);
    EXPECT_DOUBLE_EQ(*ExportValues::time(FormatText::time(1224235959, u"h"_s, 26)), 86399 * second);
    EXPECT_DOUBLE_EQ(
        *ExportValues::dateTime(FormatText::time(1224235959, {}, 26)), 46380 + 86399 * second);
    EXPECT_FALSE(ExportValues::dateTime(FormatText::time(-5, {}, 26)));
}
