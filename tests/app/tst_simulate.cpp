#include "../TestSupport.h"
#include "CliRun.h"

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
    const auto run = simulate({ demo, u"--ticks"_s, u"40"_s, u"--plot"_s, png });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines().size(), 40);
    EXPECT_EQ(run.lines().first(), u"11.7\t67\t22\t0016\t1\t0"_s);
    const QByteArray bytes = tlv::test::readBytes(png);
    ASSERT_GT(bytes.size(), 5000); // lines, labels and a legend, not a blank frame
    EXPECT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    const auto be32 = [&](int at) {
        return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16)
            | (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
    };
    EXPECT_EQ(be32(16), 1200u); // the IHDR width

    const QString svg = dir.filePath(u"out.svg"_s);
    ASSERT_EQ(simulate({ demo, u"--ticks"_s, u"60"_s, u"--plot"_s, svg }).code, 0);
    const QByteArray text = tlv::test::readBytes(svg);
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("Temperature")); // the legend's text
    // The project's MaxGraph of 50 draws records 11 to 60, labelled every fifth; the
    // default 20 would start at 41.
    EXPECT_TRUE(text.contains(">15</text>"));
    EXPECT_TRUE(text.contains(">60</text>"));

    const auto refused = simulate(
        { demo, u"--ticks"_s, u"2"_s, u"--plot"_s, dir.filePath(u"no/such/folder/x.png"_s) });
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(u"Plot failed"_s)) << refused.err.toStdString();

    // Lanes name every band on the lane axis besides the legend; a hidden
    // column keeps only its (faded) legend entry.
    const auto count = [&](const QStringList &more) {
        QStringList args { demo, u"--ticks"_s, u"60"_s, u"--plot"_s, svg };
        EXPECT_EQ(simulate(args + more).code, 0);
        return tlv::test::readBytes(svg).count(">Temperature</text>");
    };
    EXPECT_EQ(count({}), 1);
    EXPECT_EQ(count({ u"--plot-lanes"_s }), 2);
    EXPECT_EQ(count({ u"--plot-lanes"_s, u"--plot-hide"_s, u"temperature"_s }), 1);
    const auto unknown
        = simulate({ demo, u"--ticks"_s, u"2"_s, u"--plot"_s, svg, u"--plot-hide"_s, u"Nope"_s });
    EXPECT_EQ(unknown.code, 1);
    EXPECT_TRUE(unknown.err.contains(u"Plot failed: No column \"Nope\" to hide"_s));
    const auto alone = simulate({ demo, u"--ticks"_s, u"2"_s, u"--plot-lanes"_s });
    EXPECT_EQ(alone.code, 2);
    EXPECT_TRUE(alone.err.contains(u"--plot-lanes and --plot-hide go with --plot FILE"_s));
}
