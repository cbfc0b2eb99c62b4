// A line recorded with velmar-cli --record against the simulated board, played back by
// velmar-sim --replay: the same jobs give the same log and result, and a request that differs
// ends the replay with a line naming both.
#include "CliProcess.h"
#include "FileBytes.h"
#include "HexFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// velmar-sim --replay with its two streams in one, for the lines it prints.
struct Replay {
    QProcess sim;
    QString device;
    Replay(const QString& recording, const QString& link)
    {
        sim.setProcessChannelMode(QProcess::MergedChannels);
        sim.start(QStringLiteral(VELMAR_SIM_PROGRAM), {"--replay", recording, "--link", link});
        while (device.isEmpty() && sim.waitForReadyRead(5000))
            if (sim.canReadLine())
                device = link;
    }
    ~Replay()
    {
        int code = 0;
        finish(code);
    }
    // What it printed once it has ended (on its own or terminated); and its exit code.
    QString finish(int& code)
    {
        if (!sim.waitForFinished(500)) {
            sim.terminate();
            sim.waitForFinished(3000);
        }
        code = sim.exitCode();
        return QString::fromUtf8(sim.readAll());
    }
};

} // namespace

TEST(CliReplay, RecordedJobsReplayToTheSameLogAndResult)
{
    QTemporaryDir dir;
    const QString hex = dir.filePath("fw.hex");
    writeFile(hex, hexFile(pattern(600)));
    const QString list = dir.filePath("list.csv");
    writeFile(list, "CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\nADRW;$00;$03;;;;;;;20;\nEEPW;$12;$34;;;;;;;;\n"
                    "ADRW;$00;$03;;;;;;;;\nEEPR;2;;;;;;;;;\n");
    const QString vlb = dir.filePath("program.vlb");
    QByteArray code = "; a program\n";
    for (int i = 0; i < 48; ++i)
        code += QByteArray::number(i * 5 % 256, 16).rightJustified(2, '0') + (i % 16 == 15 ? "\n" : ":");
    writeFile(vlb, code + "00\n");
    const QList<QStringList> jobs{{"flash", hex}, {"awl", vlb}, {"script", list}};
    for (const QStringList& job : jobs) {
        SCOPED_TRACE(job.join(' ').toStdString());
        const QString recording = dir.filePath(job[0] + ".txt");
        const CliRun recorded = runCli(QStringList{"--port", "SIM", "--record", recording} + job);
        ASSERT_EQ(recorded.code, 0) << recorded.err.toStdString();
        EXPECT_TRUE(FileBytes(recording).startsWith("# velmar line recording: port SIM at 57600 bit/s"));

        Replay replay(recording, dir.filePath("board"));
        ASSERT_FALSE(replay.device.isEmpty());
        const CliRun replayed = runCli(QStringList{"--port", replay.device} + job);
        EXPECT_EQ(replayed.code, 0) << replayed.err.toStdString();
        EXPECT_EQ(replayed.out, recorded.out);
        int code = -1;
        EXPECT_TRUE(replay.finish(code).contains("replay: end of the recording"));
    }
}

TEST(CliReplay, ARequestThatDiffersEndsTheReplay)
{
    QTemporaryDir dir;
    const QString recording = dir.filePath("send.txt");
    ASSERT_EQ(runCli({"--port", "SIM", "--record", recording, "send", "34", "02"}).code, 0);
    Replay replay(recording, dir.filePath("board"));
    const CliRun other = runCli({"--port", replay.device, "send", "34", "03"});
    EXPECT_NE(other.code, 0);
    int code = -1;
    const QString said = replay.finish(code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(said.contains("velmar-sim: replay: request 1 (line 3) differs at byte 8: recorded 3A 61 61 30 32 33 "
                              "34 30 32 61 35 0D, received 3A 61 61 30 32 33 34 30 33\n"))
        << said.toStdString();
}

TEST(CliReplay, ARecordingComesThroughAPipeAndWhatCannotBePlayedIsRefused)
{
    QTemporaryDir dir;
    const QString recording = dir.filePath("send.txt"), link = dir.filePath("board");
    const CliRun recorded = runCli({"--port", "SIM", "--record", recording, "send", "34", "02"});
    const QByteArray text = FileBytes(recording);
    const int lines = int(text.count('\n'));
    // The input through /dev/stdin, what velmar-sim says, and its exit code (0: it replays).
    const std::tuple<QByteArray, QString, int> cases[] = {
        {text + "12.5 in 0", QString(", line %1: cut off, played up to line %2").arg(lines + 1).arg(lines), 0},
        {"", ": no recorded bytes, nothing to play back", 2},
        {"0 out 45\n2147483.648 in 0D\n", ", line 2: the board's bytes come 2147483.648000 s after the PC's", 2}};
    for (const auto& [input, said, code] : cases) {
        QProcess sim;
        sim.start(QStringLiteral(VELMAR_SIM_PROGRAM), {"--replay", "/dev/stdin", "--link", link});
        sim.write(input);
        sim.closeWriteChannel();
        if (code == 0 && sim.waitForReadyRead(5000)) {
            EXPECT_EQ(runCli({"--port", link, "send", "34", "02"}).out, recorded.out);
            sim.terminate();
        }
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_EQ(sim.exitCode(), code);
        EXPECT_TRUE(sim.readAllStandardError().startsWith(("velmar-sim: /dev/stdin" + said).toUtf8()));
    }
}

TEST(CliReplay, WhatTheBoardSaidFirstComesAtItsTimeAfterTheDeviceIsOpened)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("first.txt"), "0.300000 in 48 49\n");
    Replay replay(dir.filePath("first.txt"), dir.filePath("board"));
    QThread::msleep(500); // not counted: the device is not open yet
    QElapsedTimer clock;
    clock.start();
    const int fd = ::open(QFile::encodeName(replay.device).constData(), O_RDONLY | O_NOCTTY);
    QByteArray got;
    for (pollfd p{fd, POLLIN, 0}; got.size() < 2 && clock.elapsed() < 3000 && ::poll(&p, 1, 3000) > 0;)
        if (char c = 0; ::read(fd, &c, 1) == 1)
            got += c;
    EXPECT_EQ(got, "HI");
    EXPECT_GE(clock.elapsed(), 280);
    ::close(fd);
}
