#include "../TestSupport.h"
#include "CliRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// A disk that fills while an export is written, from the writer to what the user reads: the
// command says the export was aborted, and the file it would have replaced keeps its content.
// The shell caps the size of any file the program writes (ulimit -f, in blocks), which is what
// a full disk does to a write that goes past its room.
TEST(FullDisk, ExportIsToldAndTheOldFileStays)
{
    QTemporaryDir dir;
    const QString demo = QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr");
    const QString out = dir.filePath(u"trace.csv"_s);
    ASSERT_TRUE(tlv::test::writeBytes(out, "kept\r\n"));
    const QString cli = QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli");
    const auto run = tlv::test::runProgram(u"/bin/sh"_s,
        { u"-c"_s,
            u"trap '' XFSZ; ulimit -f 4; exec \"$0\" simulate \"$1\" --ticks 300 --export \"$2\""_s,
            cli, demo, out });
    EXPECT_NE(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"Export aborted : "_s + out)) << run.err.toStdString();
    EXPECT_EQ(tlv::test::readBytes(out), QByteArray("kept\r\n"));
}
