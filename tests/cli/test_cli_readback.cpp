// velmar-cli's read-flash and verify against simulated boards on pseudo-terminals in this
// process, whose flash the test looks at directly: the round trip of a firmware through a
// file, a verify that finds differences, and a block read that comes short.
#include "CliProcess.h"
#include "FileBytes.h"
#include "HexFiles.h"
#include "SimBoard.h"
#include "SimPty.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A board in this process, on a pseudo-terminal of its own.
struct Board {
    SimBoard board;
    SimPty pty{board};
    Board() { EXPECT_TRUE(pty.start()); }
};

// velmar-cli on `board`, while this process serves the board.
CliRun run(Board& board, const QStringList& args)
{
    QProcess process;
    process.setProgram(QStringLiteral(VELMAR_CLI_PROGRAM));
    process.setArguments(QStringList{"--port", board.pty.slavePath()} + args);
    process.setProcessEnvironment(cliEnvironment());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    process.start();
    loop.exec();
    CliRun r;
    r.code = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
                 ? process.exitCode()
                 : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QJsonObject json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

// A firmware with erased flash in it and bytes above 64 KiB.
std::vector<std::uint8_t> firmware()
{
    std::vector<std::uint8_t> image = pattern(0x10A00);
    std::fill(image.begin() + 0x0900, image.begin() + 0xF000, 0xFF);
    return image;
}

} // namespace

TEST(CliReadBack, AFirmwareReadBackFlashesASecondBoardTheSame)
{
    QTemporaryDir dir;
    const QString original = dir.filePath("fw.hex"), back = dir.filePath("back.hex");
    writeFile(original, hexFile(firmware()));
    Board first, second;
    ASSERT_EQ(run(first, {"flash", original}).code, 0);

    const CliRun read = run(first, {"--json", "read-flash", back});
    ASSERT_EQ(read.code, 0) << read.err.toStdString();
    EXPECT_EQ(json(read).value("bytes").toInt(), 0x1F000);
    EXPECT_EQ(json(read).value("file").toString(), back);
    EXPECT_FALSE(first.board.inBootloader());                     // its firmware runs again
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // nothing left beside the file

    const CliRun flash = run(second, {"flash", back});
    ASSERT_EQ(flash.code, 0) << flash.err.toStdString();
    EXPECT_TRUE(first.board.flash() == second.board.flash());
    const auto written = firmware();
    EXPECT_TRUE(std::equal(written.begin(), written.end(), second.board.flash().begin()));
}

TEST(CliReadBack, AVerifyWritesNothingAndCountsTheDifferences)
{
    QTemporaryDir dir;
    const QString hex = dir.filePath("fw.hex"), awl = dir.filePath("p.vlb");
    writeFile(hex, hexFile(pattern(0x400)));
    writeFile(awl, "01:02:03:04:05\n");
    Board b;
    ASSERT_EQ(run(b, {"flash", hex}).code, 0);
    ASSERT_EQ(run(b, {"awl", awl}).code, 0);

    CliRun same = run(b, {"--json", "verify", hex});
    EXPECT_EQ(same.code, 0) << same.err.toStdString();
    EXPECT_EQ(json(same).value("differences").toInt(), 0);
    EXPECT_TRUE(json(same).value("firstDifference").isNull());
    EXPECT_EQ(run(b, {"awl", "--verify", awl}).code, 0);

    for (const int at : {0x123, 0x124, 0x3FF, 0x1F002})
        b.board.flash()[at] ^= 0x5A;
    const std::vector<std::uint8_t> before = b.board.flash();
    const CliRun differs = run(b, {"--json", "verify", hex});
    EXPECT_EQ(differs.code, 1);
    EXPECT_EQ(differs.errLines(), QStringList{"velmar-cli: verify: \"verify device\" failed: Fehler bei Adresse: soll "
                                              "[$0123] $FE    ist: [$0023] $A4; 3 bytes differ"});
    EXPECT_EQ(json(differs).value("differences").toInt(), 3);
    EXPECT_EQ(json(differs).value("firstDifference").toInt(), 0x123);
    EXPECT_TRUE(json(differs).value("error").toString().endsWith("3 bytes differ"));
    const CliRun awlDiffers = run(b, {"awl", "--verify", awl});
    EXPECT_EQ(awlDiffers.code, 1);
    EXPECT_TRUE(awlDiffers.err.endsWith("; 1 byte differs\n")) << awlDiffers.err.toStdString();
    // Nothing was written, and the board runs its firmware again after each.
    EXPECT_TRUE(b.board.flash() == before);
    EXPECT_FALSE(b.board.inBootloader());
}

TEST(CliReadBack, AShortBlockReadLeavesTheFileAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("keep.hex");
    writeFile(file, "the user's own file\n");
    Board b;
    b.board.faults().shortReadOfBlock = 3;
    const CliRun r = run(b, {"read-flash", file});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.errLines(),
              QStringList{"velmar-cli: read-flash: \"read device\" failed: timeout after 128 of 256 bytes"});
    EXPECT_TRUE(r.out.contains("read device \n... timeout\nRxIndex: $0080\nRxBlockSize: $0100\n"))
        << r.out.toStdString();
    EXPECT_EQ(FileBytes(file), "the user's own file\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.hex"});
    // A name that cannot be written is known before the board is asked.
    const CliRun nowhere = run(b, {"read-flash", dir.filePath("no/such/folder.hex")});
    EXPECT_EQ(nowhere.code, 2);
    EXPECT_FALSE(nowhere.out.contains("connect Velmar"));
}
