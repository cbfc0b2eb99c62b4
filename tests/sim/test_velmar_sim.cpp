// The options of the velmar-sim program: board kind and faults limited to some commands,
// through the real port code on its pseudo-terminal; the signals that pull its cable; the link
// it places; and a line that takes input no faster than it carries it.
#include "SimProcessRig.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(VelmarSim, KindAndFaultsLimitedToSomeCommands)
{
    SimProcessRig rig({"--kind", "0x10", "--refuse", "--fault-codes", "33,34"});
    ASSERT_TRUE(rig.started);
    Link& link = rig.link;
    EXPECT_EQ(link.SendTelegram(":aa03320000a5\r"), 0x20);
    EXPECT_EQ(link.SendTelegram(":aa023401a5\r"), 0x21);
    EXPECT_EQ(link.SendTelegram(":aa0131a5\r"), 0x31);
    EXPECT_EQ(link.AnswerBuffer()[2], 0x00); // the refused read did not move the pointer
    rig.port.Close();
}

TEST(VelmarSim, RejectsAKindThatIsNoByteAndAnUnknownCode)
{
    for (const QStringList& args :
         {QStringList{"--kind", "256"}, QStringList{"--kind", "x"}, QStringList{"--fault-codes", "3g"}}) {
        QProcess p;
        p.start(QStringLiteral(VELMAR_SIM_PROGRAM), args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()); // no device was made
    }
}

TEST(VelmarSim, AnswersTheScriptCommandsAndRefusesEveryNth)
{
    SimProcessRig rig({"--refuse-every", "3"});
    ASSERT_TRUE(rig.started);
    Link& link = rig.link;
    EXPECT_EQ(link.SendTelegram(":aa026002a5\r"), 0x60); // module 2: number, then the reading
    ASSERT_EQ(link.AnswerData().size(), 3u);
    EXPECT_EQ(link.AnswerData()[0], 2);
    EXPECT_EQ(link.SendTelegram(":aa0562090A0B0Ca5\r"), 0x62);
    EXPECT_EQ(link.AnswerData()[0], 10);               // node 9 answers as 10
    EXPECT_EQ(link.SendTelegram(":aa0150a5\r"), 0x21); // the third telegram
    EXPECT_EQ(link.SendTelegram(":aa0150a5\r"), 0x50);
    EXPECT_EQ(link.AnswerData().size(), 3u);
    rig.port.Close();
}

TEST(VelmarSim, AnEndedProgramIsNotSignalled)
{
    // A process id of 0 would reach the whole process group. Should that ever come back,
    // only this test's own group is hit, not the runner that started it.
    ASSERT_EQ(::setpgid(0, 0), 0);
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    ASSERT_TRUE(sim.start());
    sim.stop();
    EXPECT_FALSE(sim.unplug());
    EXPECT_FALSE(sim.plugIn(200));
}

TEST(VelmarSim, TheLinkReplacesOnlyASymbolicLinkAndGoesAtTheEnd)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("file"), fifo = dir.filePath("fifo"), link = dir.filePath("link");
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly) && ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    ASSERT_EQ(::symlink("/nowhere", QFile::encodeName(link).constData()), 0);
    struct stat st {};
    // Left alone, with 2: a file, a folder, a FIFO, a folder that is not there.
    for (const QString& path : {file, dir.path(), fifo, dir.filePath("missing/link")}) {
        QProcess p;
        p.start(QStringLiteral(VELMAR_SIM_PROGRAM), {"--link", path});
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2) << path.toStdString();
        EXPECT_TRUE(
            p.readAllStandardError().startsWith("velmar-sim: cannot place the link " + QFile::encodeName(path)));
        EXPECT_TRUE(::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode));
    }
    EXPECT_TRUE(QFileInfo(file).isFile() && QFileInfo(dir.path()).isDir() && QFileInfo(fifo).exists());
    // A symbolic link is replaced; SIGHUP takes it away as SIGTERM does.
    for (int signal : {SIGHUP, SIGTERM}) {
        QProcess sim;
        sim.start(QStringLiteral(VELMAR_SIM_PROGRAM), {"--link", link});
        ASSERT_TRUE(sim.waitForReadyRead(5000));
        EXPECT_EQ(QFileInfo(link).symLinkTarget().toUtf8() + '\n', sim.readLine());
        ::kill(pid_t(sim.processId()), signal);
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_NE(::lstat(QFile::encodeName(link).constData(), &st), 0) << signal;
    }
}

TEST(VelmarSim, InputIsTakenAtLineRateAndItsEchoEndsSoon)
{
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    ASSERT_TRUE(sim.start({"--pace"}));
    const int fd = ::open(QFile::encodeName(sim.devicePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    // Terminal lines for a second as fast as the device takes them, the echo read meanwhile;
    // then until the echo has been quiet for half a second.
    const QByteArray lines = (QByteArray(62, 'a') + '\r').repeated(64);
    char echo[4096];
    qint64 taken = 0;
    QElapsedTimer clock, quiet;
    clock.start();
    quiet.start();
    while (clock.elapsed() < 1000 || (quiet.elapsed() < 500 && clock.elapsed() < 20000)) {
        const qsizetype at = taken % lines.size();
        const ssize_t n =
            clock.elapsed() < 1000 ? ::write(fd, lines.constData() + at, std::size_t(lines.size() - at)) : 0;
        taken += std::max<ssize_t>(n, 0);
        while (::read(fd, echo, sizeof echo) > 0)
            quiet.restart();
        QThread::msleep(n > 0 ? 0 : 5);
    }
    // The line carries 5760 bytes a second; the pseudo-terminal holds some more.
    EXPECT_LT(taken, 40000);
    EXPECT_LT(clock.elapsed(), 10000); // the echo of what was taken, not of a backlog
    ::close(fd);
}
