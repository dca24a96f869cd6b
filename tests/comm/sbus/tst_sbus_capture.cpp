// One conversation with the simulator program, captured on loopback and judged by tshark.
#include "comm/sbus/SbusClient.h"
#include "tests/app/CliRun.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;

namespace {

constexpr int processWaitMs = 20000;
constexpr int expectedFrames = 12; // six requests, six answers

bool waitForLine(QProcess &process, bool fromStdErr, const QString &start, QString *line)
{
    process.setReadChannel(fromStdErr ? QProcess::StandardError : QProcess::StandardOutput);
    QByteArray seen;
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        seen += process.readAll();
        for (const QByteArray &raw : seen.split('\n')) {
            const QString text = QString::fromLocal8Bit(raw).trimmed();
            if (text.contains(start)) {
                *line = text;
                return true;
            }
        }
        if (!process.waitForReadyRead(processWaitMs))
            return false;
    }
    return false;
}

TEST(SbusCapture, TsharkAcceptsEveryFrameOfAConversation)
{
    // scripts/bootstrap installs tshark. The validator and the right to capture on lo belong to
    // the machine, not to the project: without them the test cannot judge anything.
    const QString tshark = QStandardPaths::findExecutable(u"tshark"_s);
    const QString validator = u"/work/shared/tools/sbus-validate-capture"_s;
    ASSERT_FALSE(tshark.isEmpty()) << "tshark is not installed: run scripts/bootstrap";
    if (!QFile::exists(validator))
        GTEST_SKIP() << "capture validator not found: " << qPrintable(validator);
    tlv::test::PcdProcess pcd({ u"--station"_s, u"10"_s, u"--set"_s, u"R 100 = 1 2 3"_s, u"--set"_s,
        u"DB 7 8 = 10 20 30"_s });
    const quint16 port = pcd.port();
    ASSERT_NE(port, 0) << "tolvane-pcdsim did not start";

    QTemporaryDir dir;
    const QString file = dir.filePath(u"conversation.pcapng"_s);
    QProcess capture;
    capture.start(tshark,
        { u"-i"_s, u"lo"_s, u"-f"_s, u"udp port " + QString::number(port), u"-c"_s,
            QString::number(expectedFrames), u"-w"_s, file });
    QString capturing;
    if (!waitForLine(capture, true, u"Capture started"_s, &capturing))
        GTEST_SKIP() << "capturing on lo needs root or the wireshark group: "
                     << qPrintable(QString::fromLocal8Bit(capture.readAllStandardError()));

    SbusClient client;
    SbusSettings settings;
    settings.port = port;
    settings.station = 10;
    settings.timeoutMs = 500;
    ASSERT_TRUE(client.open(settings).ok());
    quint8 status = 0;
    QList<qint32> values;
    EXPECT_TRUE(client.readStatus(&status).ok());
    EXPECT_TRUE(client.readRegisters(100, 3, &values).ok());
    EXPECT_EQ(values, (QList<qint32> { 1, 2, 3 }));
    EXPECT_TRUE(client.readDataBlock(7, 8, 3, &values).ok());
    EXPECT_TRUE(client.writeRegisters(200, { 0x1234 }).ok());
    EXPECT_EQ(client.readRegisters(16383, 2, &values).error, SbusError::Nak);
    QList<bool> flags;
    EXPECT_TRUE(client.readFlags(0, 9, &flags).ok());
    client.close();

    // tshark stops by itself once it has every frame.
    const bool complete = capture.waitForFinished(processWaitMs);
    if (!complete) {
        capture.kill();
        capture.waitForFinished();
    }
    ASSERT_TRUE(complete) << "not all frames were captured";

    QProcess check;
    check.start(u"/bin/sh"_s, { validator, file, QString::number(port) });
    ASSERT_TRUE(check.waitForFinished(processWaitMs * 3));
    const QString report = QString::fromLocal8Bit(check.readAllStandardOutput());
    EXPECT_EQ(check.exitCode(), 0) << qPrintable(report);
    EXPECT_TRUE(report.contains(u"all " + QString::number(expectedFrames) + u" frames"))
        << qPrintable(report);
}

} // namespace
