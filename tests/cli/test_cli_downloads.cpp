// velmar-cli's downloads as a user runs them, against velmar-sim on a pseudo-terminal: a
// flash and then info, failures and their one line, an unplugged board, Ctrl+C in the middle
// of a flash, the watch of an AWL file, and what a terminal gets to see.
#include "CliProcess.h"
#include "HexFiles.h"
#include "SimProcess.h"
#include "TCustomComPort.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Board {
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    QTemporaryDir dir;
    explicit Board(const QStringList& args = {}) { EXPECT_TRUE(sim.start(args)); }
    [[nodiscard]] QStringList port() const { return {"--port", sim.devicePath()}; }
    CliRun run(const QStringList& args) { return runCli(port() + args); }
    QString hex(std::size_t bytes)
    {
        const QString file = dir.filePath(QString("fw%1.hex").arg(bytes));
        writeFile(file, hexFile(pattern(bytes)));
        return file;
    }
};

// Sets the device's speed (0: leaves it) and returns the one it had.
speed_t setSpeed(const QString& device, speed_t speed)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    const speed_t had = cfgetospeed(&tio);
    if (speed != 0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tcsetattr(fd, TCSANOW, &tio);
    }
    ::close(fd);
    return speed != 0 ? cfgetospeed(&tio) : had;
}

QByteArray byteCode(int bytes, int seed)
{
    QByteArray text = "; made by the test\n";
    for (int i = 0; i < bytes; ++i)
        text += QByteArray::number((i * 3 + seed) % 256, 16).rightJustified(2, '0') + (i % 16 == 15 ? "\n" : ":");
    return text + "00\n";
}

} // namespace

TEST(CliDownloads, AFlashThenInfo)
{
    Board board;
    const CliRun flash = board.run({"flash", board.hex(1000)});
    EXPECT_EQ(flash.code, 0) << flash.err.toStdString();
    EXPECT_TRUE(flash.err.isEmpty());
    // The window's log texts, the dots of the four blocks included.
    EXPECT_TRUE(flash.out.startsWith("load file size, 1000 bytes\nconnect Velmar ...")) << flash.out.toStdString();
    EXPECT_TRUE(flash.out.contains("block size,  $0100\nselect adress: $00000000\nflash device \n....\n"));
    EXPECT_TRUE(flash.out.contains("verify device \n....\nbootloader exit \nexecute SPS program \n"));
    EXPECT_FALSE(flash.out.contains("Fehler bei Adresse"));
    EXPECT_FALSE(flash.out.contains('\033'));

    // The new firmware runs: the board answers telegrams again.
    const CliRun info = board.run({"info"});
    EXPECT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("board kind 0: base board"));
}

TEST(CliDownloads, AFailureNamesItsStepInOneLine)
{
    {
        Board board({"--corrupt-at", "105"});
        const CliRun r = board.run({"flash", board.hex(0x200)});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: flash: \"verify device\" failed: Fehler bei Adresse: soll "
                                            "[$0105] $2C    ist: [$0005] $76"});
        EXPECT_TRUE(r.out.contains(" Fehler bei Adresse: soll [$0105] $2C    ist: [$0005] $76\n"));
    }
    {
        Board board({"--no-signon"});
        QElapsedTimer clock;
        clock.start();
        const CliRun r = board.run({"flash", board.hex(100)});
        EXPECT_EQ(r.code, 3);
        EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: flash: \"connect Velmar\" failed: no sign-on of the "
                                            "bootloader; try again, and if it keeps failing, "
                                            "switch the board off and on: after a download that broke off it may still "
                                            "wait for the rest of a block"});
        EXPECT_LT(clock.elapsed(), 6000);
    }
    {
        Board board({"--flash-end", "1800"});
        const CliRun r = board.run({"flash", board.hex(0x1801)});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: flash: \"flash memory: (ATmega88),\" failed: error: to less "
                                            "memory (6145 bytes, the board takes 6144)"});
    }
    {
        Board board;
        writeFile(board.dir.filePath("bad.hex"), ":0100000041BF\r\n" + EndRecord);
        const CliRun r = board.run({"flash", board.dir.filePath("bad.hex")});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.errLines().size(), 1);
        EXPECT_TRUE(r.err.contains("\"load file\" failed: no valid Intel HEX file")) << r.err.toStdString();
    }
    {
        Board board({"--invalid-firmware"});
        writeFile(board.dir.filePath("p.vlb"), byteCode(10, 1));
        const CliRun r = board.run({"awl", board.dir.filePath("p.vlb")});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.errLines(),
                  QStringList{"velmar-cli: awl: \"firmware check (EEPROM 0x0001)\" failed: Firmware invalid"});
    }
}

TEST(CliDownloads, ABoardUnpluggedInTheMiddleOfAFlash)
{
    Board board({"--pace"});
    CliProcess cli(board.port() + QStringList{"flash", board.hex(16384)});
    ASSERT_TRUE(cli.waitForOutput("flash device \n.", 10000)) << cli.output().toStdString();
    ASSERT_TRUE(board.sim.unplug());
    QElapsedTimer clock;
    clock.start();
    const CliRun r = cli.finish(10000);
    EXPECT_LT(clock.elapsed(), 3000); // no hang: the wait ends with the port
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.errLines(),
              QStringList{"velmar-cli: flash: the port was lost: " + board.sim.devicePath() + ": Input/output error"});
}

TEST(CliDownloads, CtrlCStopsAFlashAndTheBoardLeavesItsBootloader)
{
    Board board({"--pace"});
    // A line setting of the device's own, which the tool must give back.
    const speed_t before = setSpeed(board.sim.devicePath(), B9600);
    ASSERT_EQ(before, B9600);
    CliProcess cli(board.port() + QStringList{"flash", board.hex(16384)});
    ASSERT_TRUE(cli.waitForOutput("flash device \n...", 10000)) << cli.output().toStdString();
    ASSERT_TRUE(cli.signal(SIGINT));
    const CliRun r = cli.finish(10000);
    EXPECT_EQ(r.code, 130);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\ncancelled at block \\d+ of 64\n\n?bootloader exit \n")))
        << r.out.toStdString();
    ASSERT_EQ(r.errLines().size(), 1);
    EXPECT_TRUE(r.err.startsWith("velmar-cli: flash: \"flash device\" failed: cancelled at block "))
        << r.err.toStdString();
    EXPECT_EQ(setSpeed(board.sim.devicePath(), 0), B9600); // restored when the port closed
    // Back in its firmware, on a port that was released.
    EXPECT_EQ(board.run({"send", "20"}).out, "answer $20\n");
}

TEST(CliDownloads, CtrlCInEveryStepAfterTheSignOnStillSendsE)
{
    // After: a sync cycle, a query, the AWL sign-on, a block whose answer does not come (the
    // second Ctrl+C then finds no way for "E", and says so).
    const QStringList cases[] = {{"flash", "connect Velmar ."},
                                 {"flash", "last memory, "},
                                 {"awl", "contact Velmar ."},
                                 {"flash", "flash device \n...", "--drop-ack", "3"}};
    for (const QStringList& c : cases) {
        SCOPED_TRACE((c[0] + " after " + c[1]).toStdString());
        Board board(QStringList{"--pace"} + c.mid(2));
        QString file = board.hex(16384);
        if (c[0] == "awl")
            writeFile(file = board.dir.filePath("p.vlb"), byteCode(4000, 2));
        CliProcess cli(board.port() + QStringList{c[0], file});
        ASSERT_TRUE(cli.waitForOutput(c[1], 10000)) << cli.output().toStdString();
        ASSERT_TRUE(cli.signal(SIGINT));
        const CliRun r = cli.finish(10000);
        EXPECT_EQ(r.code, 130);
        if (c.size() > 2) {
            EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: flash: interrupted; the board waits in its bootloader: "
                                                "download again, or switch it off and on"});
            continue;
        }
        EXPECT_TRUE(r.out.contains(QRegularExpression("\ncancelled at [^\n]+\n\n?bootloader exit \n")))
            << r.out.toStdString();
        EXPECT_EQ(board.run({"send", "20"}).out, "answer $20\n"); // back in its firmware
    }
}

TEST(CliDownloads, TheHardStopPutsTheLineSettingsBack)
{
    Board board;
    const QString fifo = board.dir.filePath("recording");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(setSpeed(board.sim.devicePath(), B9600), B9600);
    // The recording opens once the port is open: a FIFO that nobody reads holds it there.
    CliProcess cli(board.port() + QStringList{"--record", fifo, "info"});
    QThread::msleep(500);
    ASSERT_TRUE(cli.signal(SIGINT));
    const CliRun r = cli.finish(5000);
    EXPECT_EQ(r.code, 130);
    EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: interrupted"});
    EXPECT_EQ(setSpeed(board.sim.devicePath(), 0), B9600);
}

TEST(CliDownloads, CtrlCStopsACardCopyAndTheCardsFileIsClosed)
{
    QTemporaryDir card;
    Board board({"--pace", "--kind", "1", "--sd-card", card.path()});
    const QString pc = board.dir.filePath("long.txt");
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + " of a file that takes a while on a slow line\n";
    writeFile(pc, text);
    CliProcess cli(board.port() + QStringList{"sd", "put", pc});
    ASSERT_TRUE(cli.waitForOutput("write file: ...", 10000)) << cli.output().toStdString();
    ASSERT_TRUE(cli.signal(SIGINT));
    const CliRun r = cli.finish(10000);
    EXPECT_EQ(r.code, 130);
    EXPECT_TRUE(r.out.contains("\nclose file:   pass")) << r.out.toStdString();
    EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: sd put: \"write file:\" failed: cancelled"});
    // What went out before the stop is on the card, as whole lines.
    QFile stored(card.filePath("long.txt"));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray part = stored.readAll();
    EXPECT_FALSE(part.isEmpty());
    EXPECT_LT(part.size(), text.size());
    EXPECT_TRUE(text.startsWith(part));
    EXPECT_TRUE(part.endsWith('\n'));
}

TEST(CliDownloads, SigtermEndsAJobThatHasNothingToFinishAtOnce)
{
    Board board({"--silent"});
    CliProcess cli(board.port() + QStringList{"info"});
    QElapsedTimer clock;
    clock.start();
    QThread::msleep(300);
    ASSERT_TRUE(cli.signal(SIGTERM));
    const CliRun r = cli.finish(10000);
    EXPECT_LT(clock.elapsed(), 2000); // not the five seconds of the telegram's wait
    EXPECT_EQ(r.code, 130);
    EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: info: interrupted"});
}

TEST(CliDownloads, EveryWaitEndsWithinASecondOfTheSignal)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.hex");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString hex = dir.filePath("fw.hex");
    writeFile(hex, hexFile(pattern(100)));
    const struct {
        QStringList sim, cli;
        int signal;
    } cases[] = {
        {{"--no-signon"}, {"flash", hex}, SIGINT}, // a clean stop that waits on a board that never answers
        {{}, {"flash", fifo}, SIGTERM},            // a file that blocks in its open
        {{}, {"terminal"}, SIGINT},                // stdin open and quiet
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cli.join(' ').toStdString());
        Board board(c.sim);
        CliProcess cli(board.port() + c.cli);
        QThread::msleep(500);
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(cli.signal(c.signal));
        const CliRun r = cli.finish(5000);
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_EQ(r.code, 130) << r.err.toStdString();
    }
}

TEST(CliDownloads, TheWatchPicksUpAChangeAndEndsOnCtrlC)
{
    Board board;
    const QString file = board.dir.filePath("prog.vlb");
    writeFile(file, byteCode(40, 1));
    CliProcess cli(board.port() + QStringList{"awl", "--watch", file});
    ASSERT_TRUE(cli.waitForOutput("start program", 10000)) << cli.output().toStdString();

    // A new program with a new time stamp (the watch sees two-second steps).
    writeFile(file, byteCode(60, 2));
    QFile stamp(file);
    ASSERT_TRUE(stamp.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stamp.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime));
    stamp.close();
    ASSERT_TRUE(cli.waitForOutput("start program", 10000, 2)) << cli.output().toStdString();
    EXPECT_TRUE(cli.output().contains("load AWL size, 61 bytes"));

    ASSERT_TRUE(cli.signal(SIGINT));
    const CliRun r = cli.finish(5000);
    EXPECT_EQ(r.code, 130);
    EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: awl: interrupted"});
    // The port was released: another program opens it.
    TCustomComPort again;
    again.SetPort(board.sim.devicePath());
    EXPECT_NO_THROW(again.Open());
    EXPECT_TRUE(again.Connected());
}

TEST(CliDownloads, ColoursAndTheBarOnlyOnATerminal)
{
    Board board;
    const QString hex = board.hex(3000);
    const CliRun terminal = runCliOnTerminal(board.port() + QStringList{"flash", hex});
    EXPECT_EQ(terminal.code, 0) << terminal.out.toStdString();
    EXPECT_TRUE(terminal.out.contains("\033[92mload file \033[0m")) << terminal.out.toStdString();
    // The bar takes the place of the dots and goes when the log goes on.
    EXPECT_TRUE(terminal.out.contains(QRegularExpression("\rverify +\\[#+\\]  6144 of 6144 bytes  ")))
        << terminal.out.toStdString();
    EXPECT_TRUE(terminal.out.contains("\r\033[K"));
    EXPECT_EQ(terminal.out.count("\033[92m.\033[0m"), 3) << terminal.out.toStdString(); // the sync cycles' dots only

    QProcessEnvironment noColor = cliEnvironment();
    noColor.insert("NO_COLOR", "1");
    const CliRun plain = runCliOnTerminal(board.port() + QStringList{"flash", hex}, noColor);
    EXPECT_EQ(plain.code, 0);
    EXPECT_FALSE(plain.out.contains("\033[9")) << plain.out.toStdString();
    EXPECT_TRUE(plain.out.contains("\rflash  [")); // the bar has no colour to leave out

    // In a pipe: neither, and every dot.
    const CliRun piped = board.run({"flash", hex});
    EXPECT_FALSE(piped.out.contains('\033'));
    EXPECT_FALSE(piped.err.contains('\r'));
    EXPECT_TRUE(piped.out.contains("flash device \n............\n"));
}
