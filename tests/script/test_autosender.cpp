// The auto-send tick: delays counted from a row's start, ticks inside a running row, GOTO,
// lists that change during a run, stopping, and the log file over several passes.
#include "AutoSender.h"
#include "EInOutError.h"
#include "MeasurementLogFile.h"
#include "ScriptRig.h"
#include "SimRig.h"
#include "TestApplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Ticks : ::testing::Test {
    SimRig rig;
    ScriptCore core{rig.link};
    AutoSender sender{core.state, core.list, core.interpreter, rig.link, core.log};
    int tick = 0;
    QList<int> startTicks;
    QList<int> startRows;
    // Ticks that fall into the next row's wait for its answer.
    int ticksInsideNextRow = 0;
    QList<bool> running;

    Ticks()
    {
        rig.board.animate = false;
        sender.rowStarting = [this](int row) {
            startTicks.append(tick);
            startRows.append(row);
            if (ticksInsideNextRow > 0) {
                const int n = std::exchange(ticksInsideNextRow, 0);
                rig.board.faults().answerDelayMs = 30;
                QTimer::singleShot(0, [this, n] { ticks(n); });
            } else {
                rig.board.faults().answerDelayMs = 0;
            }
        };
        sender.runningChanged = [this](bool on) { running.append(on); };
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            ++tick;
            Tick(sender);
        }
    }
    void add(std::initializer_list<const char*> lines)
    {
        for (const char* l : lines)
            core.add(l);
    }
    qsizetype sent() { return rig.board.telegramLog().size(); }
};

TEST_F(Ticks, StoppedTicksDoNothing)
{
    add({"ACK;;;;;;;;;5"});
    core.state.DelayTicks = 3;
    ticks(10);
    EXPECT_TRUE(startTicks.isEmpty());
    EXPECT_EQ(core.state.DelayTicks, 3);
    EXPECT_EQ(sent(), 0);
}

TEST_F(Ticks, DelayZeroAndOneBothRunOnTheNextTick)
{
    add({"ACK", "ACK;;;;;;;;;1", "ACK;;;;;;;;;0", "ACK"});
    sender.btSendenClick();
    EXPECT_EQ(running, QList<bool>{true});
    ticks(6);
    EXPECT_EQ(startTicks, (QList<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(startRows, (QList<int>{0, 1, 2, 3, 0, 1}));
}

TEST_F(Ticks, ADelayCountsFromTheRowsStart)
{
    add({"ACK;;;;;;;;;10"});
    sender.start();
    ticks(31);
    EXPECT_EQ(startTicks, (QList<int>{1, 11, 21, 31}));
    // A delay given in hex counts as well; an empty delay cell is none.
    core.list.at(0).delayNotation = CellNotation::Hex;
    core.list.at(0).delay = 2;
    core.add("ACK;;;;;;;;;");
    core.list.at(1).delay = 50; // stored, but not given
    startTicks.clear();
    sender.start();
    ticks(6);
    EXPECT_EQ(startTicks, (QList<int>{32, 34, 35, 37}));
}

TEST_F(Ticks, TicksInsideARunningRowCountItsDelayDown)
{
    add({"ACK;;;;;;;;;3", "DIG;;;;;;;;;3"});
    sender.start();
    // Five ticks fall into the first row: its delay has passed when it ends.
    ticksInsideNextRow = 5;
    ticks(1);
    EXPECT_EQ(tick, 6);
    EXPECT_EQ(startRows, QList<int>{0});
    EXPECT_EQ(core.state.DelayTicks, 0);
    EXPECT_FALSE(core.state.Busy);
    // The next row follows on the very next tick.
    ticks(1);
    EXPECT_EQ(startTicks, (QList<int>{1, 7}));
    // Two ticks inside a row with delay 3: one more to wait.
    ticksInsideNextRow = 2;
    ticks(3);
    EXPECT_EQ(startTicks, (QList<int>{1, 7, 10}));
    EXPECT_EQ(tick, 12);
    EXPECT_EQ(core.state.DelayTicks, 1);
    ticks(1);
    EXPECT_EQ(startTicks, (QList<int>{1, 7, 10, 13}));
}

TEST_F(Ticks, ARowThatHasNotBegunYet)
{
    const auto runPosted = [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); };
    add({"ACK", "DIG"});
    sender.start();
    // Stopped between its tick and its start: it does not run, and nothing stays busy.
    sender.timerStart();
    EXPECT_TRUE(core.state.Busy);
    sender.stop();
    runPosted();
    EXPECT_FALSE(core.state.Busy);
    EXPECT_EQ(sent(), 0);
    // Reached inside someone else's exchange: it waits for the next tick on a free line.
    sender.start();
    sender.timerStart();
    {
        const Link::Hold download(rig.link);
        runPosted();
        EXPECT_EQ(sent(), 0);
        EXPECT_FALSE(core.state.Busy);
    }
    ticks(1);
    EXPECT_EQ(startRows, QList<int>{0});
    EXPECT_EQ(sent(), 1);
    // The sender gone before its row began: no row, and the state is not left busy.
    {
        AutoSender other(core.state, core.list, core.interpreter, rig.link, core.log);
        other.start();
        other.timerStart();
        EXPECT_TRUE(core.state.Busy);
    }
    runPosted();
    EXPECT_FALSE(core.state.Busy);
    EXPECT_EQ(sent(), 1);
}

TEST_F(Ticks, GotoTargets)
{
    struct Case {
        int target;
        int next;
    };
    // D0 = 0 continues with index 1, the same as 1; past the end wraps to 0.
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{4, 0}, Case{9, 0}}) {
        core.list.clear();
        add({"ACK", "ACK", "ACK", "ACK"});
        SendRow jump = SendListFile::parseLine("GOTO;;;;;;;;;7");
        jump.data[0] = std::uint8_t(c.target);
        jump.notation[0] = CellNotation::Decimal;
        core.list.at(1) = jump;
        startRows.clear();
        sender.start();
        ticks(3);
        // The GOTO row's own delay is dropped.
        EXPECT_EQ(startRows, (QList<int>{0, 1, c.next})) << c.target;
    }
    // Run from its cell while auto send runs: the timer did not add the one.
    core.list.clear();
    add({"ACK", "ACK", "ACK", "GOTO;2"});
    sender.start();
    ticks(1);
    core.interpreter.ExecuteRow(3);
    startRows.clear();
    ticks(1);
    EXPECT_EQ(startRows, QList<int>{1});
}

TEST_F(Ticks, StartAlwaysBeginsAtRowZeroWithTheFaultCleared)
{
    add({"ACK", "ACK", "ACK"});
    core.state.RowIndex = 2;
    core.state.DelayTicks = 9;
    core.state.FaultFlag = true;
    sender.start();
    EXPECT_FALSE(core.state.FaultFlag);
    ticks(2);
    EXPECT_EQ(startRows, (QList<int>{0, 1}));
    // "Break Senden", then "Auto Senden" while a row still runs: row 0 comes next.
    rig.board.faults().answerDelayMs = 50;
    sender.rowStarting = [this](int row) {
        startRows.append(row);
        QTimer::singleShot(0, [this] {
            sender.btSendenClick();
            sender.btSendenClick();
        });
        sender.rowStarting = [this](int row) { startRows.append(row); };
    };
    ticks(1);
    EXPECT_TRUE(sender.running());
    ticks(1);
    EXPECT_EQ(startRows, (QList<int>{0, 1, 2, 0}));
    EXPECT_EQ(running, (QList<bool>{true, false, true}));
}

TEST_F(Ticks, AListChangedDuringARun)
{
    add({"ACK", "ACK", "ACK"});
    sender.start();
    ticks(2);
    // Shortened: the index has no row, the tick wraps to the first.
    core.list.remove(2);
    core.list.remove(1);
    ticks(1);
    EXPECT_EQ(startRows, (QList<int>{0, 1, 0}));
    // Emptied while a row waits for its answer: the next tick stops the run, no crash.
    core.add("ACK");
    rig.board.faults().answerDelayMs = 50;
    sender.rowStarting = [this](int) { QTimer::singleShot(0, [this] { core.list.clear(); }); };
    ticks(1);
    EXPECT_TRUE(sender.running());
    EXPECT_EQ(core.state.RowIndex, 0);
    ticks(1);
    EXPECT_FALSE(sender.running());
    EXPECT_EQ(running.last(), false);
}

TEST_F(Ticks, ClwAfterAFailureStopsTheRun)
{
    add({"GETU;8", "CLW;1", "ACK"});
    sender.start();
    ticks(5);
    EXPECT_FALSE(sender.running());
    EXPECT_EQ(startRows, (QList<int>{0, 1}));
    EXPECT_TRUE(core.state.FaultFlag);
    EXPECT_TRUE(core.log.text().contains("Baustein $08   fail;"));
}

TEST_F(Ticks, NoRowInsideAnotherExchange)
{
    add({"ACK"});
    sender.start();
    {
        // A download holds the line: the due row waits.
        const Link::Hold download(rig.link);
        ticks(3);
        EXPECT_TRUE(startRows.isEmpty());
    }
    ticks(1);
    EXPECT_EQ(startTicks, QList<int>{4});
    // "Timer Zeile: " with the telegram infos.
    core.interpreter.TelegramInfo = true;
    core.log.clear();
    ticks(1);
    EXPECT_EQ(core.log.lines().first(), QString("Timer Zeile: 0"));
}

TEST_F(Ticks, ALostPortStopsTheRunAndIsShownOnce)
{
    add({"ACK"});
    sender.start();
    ticks(1);
    TestApplication::errors().clear();
    rig.board.faults().answerDelayMs = 100;
    sender.rowStarting = [this](int) { QTimer::singleShot(20, [this] { rig.backend->unplug(); }); };
    EXPECT_NO_THROW(ticks(1));
    EXPECT_FALSE(sender.running());
    EXPECT_EQ(TestApplication::errors().size(), 1);
    // Started again on the closed port: the port's error ends the run at its first row and goes
    // to the general handler.
    sender.rowStarting = nullptr;
    sender.start();
    TestApplication::errors().clear();
    EXPECT_NO_THROW(ticks(2));
    EXPECT_FALSE(sender.running());
    EXPECT_EQ(TestApplication::errors().size(), 1);
    EXPECT_FALSE(core.state.Busy);
}

TEST(LogFile, TimeAndMeasurementsMakeOneLinePerPass)
{
    QTemporaryDir dir;
    SimRig rig;
    rig.board.animate = false;
    rig.board.eeprom()[0x0101 + 1] = 0x17; // sensor 0: 23.5
    rig.board.eeprom()[0x0101 + 2] = 0x02;
    rig.board.eeprom()[0x0101 + 11 + 1] = 0x2C; // sensor 1: 0.0
    rig.board.eeprom()[0x0101 + 11 + 2] = 0x01;
    rig.board.peripherals().moduleBase[2] = 270; // -3.0
    MeasurementLogFile file;
    const QString path = dir.filePath("log.csv");
    file.open(path);
    RecordingLog log;
    SendList list;
    ScriptState state;
    ScriptInterpreter interpreter(rig.link, list, state, log, file);
    interpreter.locale = QLocale::c();
    QTime now(8, 0, 0);
    interpreter.clock = [&] { return now; };
    AutoSender sender(state, list, interpreter, rig.link, log);
    for (const char* l : {"TIME", "GETT", "GETT;1", "GETU;2"})
        list.append(SendListFile::parseLine(l));
    sender.start();
    for (int i = 0; i < 8; ++i) {
        if (i == 4)
            now = QTime(8, 0, 1);
        Tick(sender);
        // Every value is in the file as soon as its row has ended.
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        if (i == 1) {
            EXPECT_EQ(f.readAll(), QByteArray("\r\n08:00:00; 23.5;"));
        }
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\r\n08:00:00; 23.5; .0; -3.0;\r\n08:00:01; 23.5; .0; -3.0;"));

    // Opening it again starts a new, empty file.
    file.open(path);
    QFile again(path);
    again.open(QIODevice::ReadOnly);
    EXPECT_TRUE(again.readAll().isEmpty());
}

TEST(LogFile, AFileThatCannotBeWrittenIsClosedWithTheSystemsText)
{
    MeasurementLogFile file;
    EXPECT_THROW(file.open("/no/such/folder/log.csv"), EInOutError);
    EXPECT_FALSE(file.isOpen());
    int closed = 0;
    file.closedByError = [&] { ++closed; };
    file.open("/dev/full");
    ASSERT_TRUE(file.isOpen());
    try {
        file.write(" 23.5;");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.message().contains("/dev/full"));
        EXPECT_TRUE(e.message().contains("No space left")) << e.message().toStdString();
    }
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(closed, 1);
    // Closed, writes go nowhere and do not fail.
    EXPECT_NO_THROW(file.write("x"));
}

} // namespace
