#include "CliRun.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString PcdSim = QStringLiteral(TOLVANE_BIN_DIR "/tolvane-pcdsim");

// The simulated PCD as its own process on a free loopback port.
class PcdProcess
{
public:
    explicit PcdProcess(const QStringList &setup)
    {
        QStringList args { QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0") };
        for (const QString &line : setup)
            args << QStringLiteral("--set") << line;
        m_process.start(PcdSim, args);
        static const QRegularExpression ready(QStringLiteral("^udp \\S+:(\\d+)$"));
        while (m_port == 0 && m_process.waitForReadyRead(-1)) {
            while (m_process.canReadLine()) {
                const auto match = ready.match(QString::fromUtf8(m_process.readLine()).trimmed());
                if (match.hasMatch())
                    m_port = match.captured(1).toUShort();
            }
        }
    }
    ~PcdProcess()
    {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
    [[nodiscard]] QString connection() const
    {
        return QStringLiteral("udp:127.0.0.1:%1").arg(m_port);
    }
    [[nodiscard]] quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

tlv::test::CliRun pcd(const QString &connection, const QStringList &command)
{
    return tlv::test::runCli(QStringList { QStringLiteral("pcd"), QStringLiteral("--connect"),
                                 connection, QStringLiteral("--timeout"), QStringLiteral("200"),
                                 QStringLiteral("--retries"), QStringLiteral("0") }
        + command);
}

} // namespace

TEST(CliPcd, ReadsWhatThePcdHoldsAndNamesEveryFailure)
{
    ASSERT_TRUE(QFileInfo::exists(PcdSim)) << "tolvane-pcdsim is built beside tolvane-cli";
    PcdProcess sim({ QStringLiteral("R 10 = 7 -8"),
        QStringLiteral("DBX 5 entry 2 TLVR__ACCESS_KEY 0x7F10 1000 0xFFFFFFFF") });
    ASSERT_NE(sim.port(), 0);

    auto run = pcd(sim.connection(), { QStringLiteral("status") });
    EXPECT_EQ(run.out, QStringLiteral("2 Run\n"));
    run = pcd(sim.connection(),
        { QStringLiteral("read"), QStringLiteral("R"), QStringLiteral("10"), QStringLiteral("2") });
    EXPECT_EQ(run.out, QStringLiteral("7\n-8\n"));

    // The entry's own value comes before the table.
    run = pcd(sim.connection(),
        { QStringLiteral("dbx"), QStringLiteral("5"), QStringLiteral("TLVR__ACCESS_KEY") });
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    const QStringList lines = run.lines();
    ASSERT_EQ(lines.size(), 18) << qPrintable(run.out);
    EXPECT_EQ(lines.mid(0, 4).join(QLatin1Char('|')),
        QStringLiteral("TLVR__ACCESS_KEY|32528|1000|4294967295"));

    // A refused read, and a station that never answers.
    run = pcd(sim.connection(),
        { QStringLiteral("read"), QStringLiteral("DB"), QStringLiteral("9"), QStringLiteral("0"),
            QStringLiteral("1") });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("PCD_NAK"))) << qPrintable(run.err);
    run = pcd(sim.connection() + QStringLiteral("/9"), { QStringLiteral("status") });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("PCD_NORESP"))) << qPrintable(run.err);
}
