#include "CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

tlv::test::CliRun simulate(const QStringList &args)
{
    return tlv::test::runCli(QStringList { QStringLiteral("simulate") } + args);
}

QString writeProject(const QTemporaryDir &dir, const QStringList &userBuffer)
{
    const QString path = dir.filePath(QStringLiteral("p.tlvr"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QStringList lines { QStringLiteral("[Tolvane]"), QStringLiteral("Version=2"),
        QStringLiteral("UserBuffer=1"), QStringLiteral("[USER_BUFFER]") };
    lines += userBuffer;
    file.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
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
        { QStringLiteral("Title=T"), QStringLiteral("HeaderKey=ABCD"),
            QStringLiteral("HeaderType=1"), QStringLiteral("RecordInterval=1"),
            QStringLiteral("RecordLenght=3"), QStringLiteral("RecordNumber=4"),
            QStringLiteral("Column=3"), QStringLiteral("Column1=0,Long,0,R 1,1000,A,%d,0"),
            QStringLiteral("Column2=1,Long,0,R 2,1000,B,%2d,0"),
            QStringLiteral("Column3=2,Word,0,R 3,1000,C,%h,0") });
    // Six records in a ring of four: every tick is read before it is overwritten.
    const auto run = simulate({ project, QStringLiteral("--ticks"), QStringLiteral("6") });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QStringList expected;
    for (int n = 1; n <= 6; ++n) {
        const qint64 b = wave((20 * n) % 360, 50);
        expected << QString::number(wave(10 * n, 100)) + u'\t' + QString::number(b / 100) + u'.'
                + QStringLiteral("%1").arg(b % 100, 2, 10, QLatin1Char('0')) + u'\t'
                + QStringLiteral("%1").arg(n * 22, 4, 16, QLatin1Char('0')).toUpper();
    }
    EXPECT_EQ(run.lines(), expected);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const auto stamped = simulate({ project, QStringLiteral("--ticks"), QStringLiteral("1"),
        QStringLiteral("--stamps"), QStringLiteral("s") });
    EXPECT_EQ(stamped.lines(), QStringList({ QStringLiteral("Demo\t") + expected.first() }));
}

TEST(SimulateCli, LoadFailuresAndWrongArguments)
{
    QTemporaryDir dir;
    const QString project = writeProject(dir,
        { QStringLiteral("HeaderType=2"), QStringLiteral("RecordLenght=1"),
            QStringLiteral("RecordNumber=4") });
    const auto run = simulate({ project, QStringLiteral("--ticks"), QStringLiteral("3") });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(
        run.err.startsWith(QStringLiteral("Error 10: Invalid header type in the source file :\n")))
        << run.err.toStdString();

    EXPECT_EQ(simulate({ project, QStringLiteral("--ticks"), QStringLiteral("-1") }).code, 2);
    EXPECT_EQ(simulate({ project, QStringLiteral("--stamps"), QStringLiteral("x") }).code, 2);
    EXPECT_EQ(simulate({}).code, 2);
}

TEST(SimulateCli, DemoProjectRuns)
{
    const auto run = simulate({ QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr"),
        QStringLiteral("--ticks"), QStringLiteral("3") });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines().size(), 3);
    EXPECT_EQ(run.lines().first(), QStringLiteral("11.7\t67\t22\t0016\t1\t0"));
}

TEST(SimulateCli, PlotWritesTheChartAsPngOrSvg)
{
    QTemporaryDir dir;
    const QString demo = QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr");
    const QString png = dir.filePath(QStringLiteral("out.png"));
    const auto run = simulate(
        { demo, QStringLiteral("--ticks"), QStringLiteral("40"), QStringLiteral("--plot"), png });
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines().size(), 40);
    QFile image(png);
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    const QByteArray bytes = image.readAll();
    ASSERT_GT(bytes.size(), 5000); // lines, labels and a legend, not a blank frame
    EXPECT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    const auto be32 = [&](int at) {
        return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16)
            | (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
    };
    EXPECT_EQ(be32(16), 1200u); // the IHDR width

    const QString svg = dir.filePath(QStringLiteral("out.svg"));
    ASSERT_EQ(simulate({ demo, QStringLiteral("--ticks"), QStringLiteral("5"),
                           QStringLiteral("--plot"), svg })
                  .code,
        0);
    QFile vector(svg);
    ASSERT_TRUE(vector.open(QIODevice::ReadOnly));
    const QByteArray text = vector.readAll();
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("Temperature")); // the legend's text

    const auto refused = simulate({ demo, QStringLiteral("--ticks"), QStringLiteral("2"),
        QStringLiteral("--plot"), dir.filePath(QStringLiteral("no/such/folder/x.png")) });
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Plot failed"))) << refused.err.toStdString();
}
