#include "../TestSupport.h"
#include "CliRun.h"
#include "viewer/plot/GraphPalette.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

tlv::test::CliRun simulate(const QStringList &args)
{
    return tlv::test::runCli(QStringList { u"simulate"_s } + args);
}

QString writeProject(const QTemporaryDir &dir, const QStringList &userBuffer)
{
    const QString path = dir.filePath(u"p.tlvr"_s);
    QStringList lines { u"[Tolvane]"_s, u"Version=2"_s, u"UserBuffer=1"_s, u"[USER_BUFFER]"_s };
    lines += userBuffer;
    if (!tlv::test::writeBytes(path, lines.join(u"\r\n"_s).toLatin1() + "\r\n"))
        return {};
    return path;
}

qint64 wave(int degrees, double amplitude)
{
    return std::lround((std::sin(degrees * 3.1415 / 180.0) + 1.0) * amplitude);
}

} // namespace

TEST(SimulateCli, PrintsTheGeneratedRecordsThroughTheDecoder)
{
    QTemporaryDir dir;
    const QString project = writeProject(dir,
        { u"Title=T"_s, u"HeaderKey=ABCD"_s, u"HeaderType=1"_s, u"RecordInterval=1"_s,
            u"RecordLenght=3"_s, u"RecordNumber=4"_s, u"Column=3"_s,
            u"Column1=0,Long,0,R 1,1000,A,%d,0"_s, u"Column2=1,Long,0,R 2,1000,B,%2d,0"_s,
            u"Column3=2,Word,0,R 3,1000,C,%h,0"_s });
    // Six records in a ring of four: every tick is read before it is overwritten.
    const auto run = simulate({ project, u"--ticks"_s, u"6"_s });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QStringList expected;
    for (int n = 1; n <= 6; ++n) {
        const qint64 b = wave((20 * n) % 360, 50);
        expected << QString::number(wave(10 * n, 100)) + u'\t' + QString::number(b / 100) + u'.'
                + u"%1"_s.arg(b % 100, 2, 10, QLatin1Char('0')) + u'\t'
                + u"%1"_s.arg(n * 22, 4, 16, QLatin1Char('0')).toUpper();
    }
    EXPECT_EQ(run.lines(), expected);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const auto stamped = simulate({ project, u"--ticks"_s, u"1"_s, u"--stamps"_s, u"s"_s });
    EXPECT_EQ(stamped.lines(), QStringList({ u"Demo\t"_s + expected.first() }));
}

TEST(SimulateCli, LoadFailuresAndWrongArguments)
{
    QTemporaryDir dir;
    const QString project
        = writeProject(dir, { u"HeaderType=2"_s, u"RecordLenght=1"_s, u"RecordNumber=4"_s });
    const auto run = simulate({ project, u"--ticks"_s, u"3"_s });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.startsWith(u"Error 10: Invalid header type in the source file :\n"_s))
        << run.err.toStdString();

    EXPECT_EQ(simulate({ project, u"--ticks"_s, u"-1"_s }).code, 2);
    EXPECT_EQ(simulate({ project, u"--stamps"_s, u"x"_s }).code, 2);
    EXPECT_EQ(simulate({}).code, 2);
}

TEST(SimulateCli, PlotWritesTheChartAsPngOrSvg)
{
    QTemporaryDir dir;
    const QString demo = QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr");
    const QString png = dir.filePath(u"out.png"_s);
    const auto plot = [&](const QStringList &more) {
        const auto run
            = simulate(QStringList { demo, u"--ticks"_s, u"60"_s, u"--plot"_s, png } + more);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        return QImage(png);
    };
    // The rows from the first to the last where a column's colour lies (the
    // line's smoothed edges too) above row below, by default over the legend;
    // only the middle half across, away from the labels a smoothed line blends with.
    const auto rowsOf = [](const QImage &image, int column, int below = -1) {
        const QColor colour = tlv::viewer::GraphPalette().trace(column);
        std::pair<int, int> rows { -1, -1 };
        for (int y = 0; y < (below < 0 ? image.height() - 60 : below); ++y) {
            for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - colour.red()) < 24
                    && std::abs(c.green() - colour.green()) < 24
                    && std::abs(c.blue() - colour.blue()) < 24) {
                    rows = { rows.first < 0 ? y : rows.first, y };
                    break;
                }
            }
        }
        return rows;
    };
    constexpr int Temperature = 1; // the demo's first column, a line
    constexpr int Burner = 5; // a bit

    const auto run = simulate({ demo, u"--ticks"_s, u"40"_s, u"--plot"_s, png });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines().size(), 40);
    EXPECT_EQ(run.lines().first(), u"11.7\t67\t22\t0016\t1\t0"_s);
    EXPECT_TRUE(run.err.endsWith(QFileInfo(png).absoluteFilePath() + u'\n'));
    const QImage shared = QImage(png);
    EXPECT_EQ(shared.size(), QSize(1200, 700));
    EXPECT_GE(rowsOf(shared, Temperature).first, 0);
    EXPECT_GE(rowsOf(shared, Burner).first, 0);

    // Lanes: the first column in the top band, the bit in its lane at the bottom.
    const QImage lanes = plot({ u"--plot-lanes"_s });
    const auto temperature = rowsOf(lanes, Temperature);
    const auto burner = rowsOf(lanes, Burner);
    ASSERT_GE(temperature.first, 0);
    ASSERT_GE(burner.first, 0);
    EXPECT_LT(temperature.second, burner.first);
    EXPECT_LT(temperature.first, lanes.height() / 3);
    // A hidden column is drawn nowhere, not even in the legend.
    const QImage hidden = plot({ u"--plot-lanes"_s, u"--plot-hide"_s, u"temperature"_s });
    EXPECT_GE(rowsOf(hidden, Burner).first, 0);
    EXPECT_EQ(rowsOf(hidden, Temperature, hidden.height()).first, -1);

    const QString svg = dir.filePath(u"out.svg"_s);
    ASSERT_EQ(simulate({ demo, u"--ticks"_s, u"60"_s, u"--plot"_s, svg }).code, 0);
    const QByteArray text = tlv::test::readBytes(svg);
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains(">Temperature</text>")); // the legend's text
    // The project's MaxGraph of 50 draws records 11 to 60, labelled every fifth; the
    // default 20 would start at 41.
    EXPECT_TRUE(text.contains(">15</text>"));
    EXPECT_TRUE(text.contains(">60</text>"));

    const auto refused = simulate(
        { demo, u"--ticks"_s, u"2"_s, u"--plot"_s, dir.filePath(u"no/such/folder/x.png"_s) });
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(u"Plot failed"_s)) << refused.err.toStdString();
    const auto unknown
        = simulate({ demo, u"--ticks"_s, u"2"_s, u"--plot"_s, svg, u"--plot-hide"_s, u"Nope"_s });
    EXPECT_EQ(unknown.code, 1);
    EXPECT_TRUE(unknown.err.contains(u"Plot failed: No column \"Nope\" to hide"_s));
    const auto alone = simulate({ demo, u"--ticks"_s, u"2"_s, u"--plot-lanes"_s });
    EXPECT_EQ(alone.code, 2);
    EXPECT_TRUE(alone.err.contains(u"--plot-lanes and --plot-hide go with --plot FILE"_s));
}
