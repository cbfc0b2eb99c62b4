// What a row does beyond its telegram: RFBA writes the address back into its row, also when
// the list changes while it waits; garbled and short answers, a failing log file, a lost port
// and a row started inside another.
#include "EComPort.h"
#include "EInOutError.h"
#include "InterpreterTest.h"
#include "TestApplication.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST_F(Scripted, RfbaWritesTheAddressBackIntoItsRow)
{
    core.interpreter.TelegramInfo = true;
    int changed = -1;
    core.interpreter.rowChanged = [&](int row) { changed = row; };
    core.add("ACK");
    EXPECT_EQ(run("RFBA;5", {":aa034034"
                             "12a5\n"}),
              Lines{"Adresse lesen: Adresse = $12 $34   4660"});
    EXPECT_EQ(written(), QByteArray(":aa024005a5\r"));
    const SendRow& row = core.list.at(1);
    EXPECT_EQ(row.data[0], 0x34);
    EXPECT_EQ(row.data[1], 0x12);
    EXPECT_EQ(row.notation[0], CellNotation::Hex);
    EXPECT_EQ(row.notation[1], CellNotation::Hex);
    EXPECT_EQ(row.cellText(1), QString("$34"));
    EXPECT_EQ(changed, 1);

    EXPECT_EQ(run("RFBA", {":aa0120a5\n"}), Lines{"Adresse lesen:   fail"});
    EXPECT_EQ(run("RFBA", {":aa0121a5\n"}), Lines{"Adresse lesen: "});
}

TEST_F(Scripted, RfbaLeavesARowAloneThatWasRemovedMeanwhile)
{
    const int row = core.add("RFBA");
    core.add("ACK");
    // The list changes while the telegram waits for its answer.
    runWhileTheListChanges(
        row, [this] { core.list.remove(0); }, ":aa03403412a5\n");
    ASSERT_EQ(core.list.size(), 1);
    EXPECT_EQ(core.list.at(0).CMD, QString("ACK"));
    EXPECT_EQ(core.list.at(0).notation[0], CellNotation::Empty);
}

TEST_F(Scripted, RfbaWritesBackAfterARowWasAddedMeanwhile)
{
    core.list.clear();
    const int row = core.add("RFBA");
    // "Hinzufügen" while the telegram waits leaves the row where it was.
    runWhileTheListChanges(
        row, [this] { core.list.append(); }, ":aa03403412a5\n");
    ASSERT_EQ(core.list.size(), 2);
    EXPECT_EQ(core.list.at(0).data[0], 0x34);
    EXPECT_EQ(core.list.at(0).data[1], 0x12);
    EXPECT_EQ(core.list.at(0).notation[1], CellNotation::Hex);
    EXPECT_EQ(core.list.at(1), SendRow{});

    // A row removed in front of it moves it: its index means another row now, left alone.
    core.list.clear();
    core.add("ACK");
    const int moved = core.add("RFBA");
    core.add("DIG");
    runWhileTheListChanges(
        moved, [this] { core.list.remove(0); }, ":aa03405678a5\n");
    ASSERT_EQ(core.list.size(), 2);
    EXPECT_EQ(core.list.at(0).notation[0], CellNotation::Empty);
    EXPECT_EQ(core.list.at(1).CMD, QString("DIG"));
    EXPECT_EQ(core.list.at(1).notation[0], CellNotation::Empty);
}

TEST_F(OnSim, AGarbledAnswerIsAFailedAttemptNotAnError)
{
    TestApplication::errors().clear();
    board().faults().badGroup = true;
    board().faults().onlyCodes = {0x60};
    const Lines lines = run("GETU;1");
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.count("'$zz' is not a valid integer value"), 6);
    EXPECT_EQ(lines.last(), QString("Baustein $01 ?;"));
    EXPECT_TRUE(core.state.FaultFlag);
    EXPECT_FALSE(core.state.Busy);
    EXPECT_TRUE(TestApplication::errors().isEmpty());
    // Without attempts, the same text and nothing else.
    board().faults().onlyCodes = {0x20};
    EXPECT_EQ(run("ACK"), Lines{"'$zz' is not a valid integer value"});
    EXPECT_TRUE(TestApplication::errors().isEmpty());

    // The variables try again, and the failure is marked as for a timeout.
    const QString garbled("'$zz' is not a valid integer value");
    for (const char* row : {"BVAR;13", "WVAR;2"}) {
        core.state.FaultFlag = false;
        board().faults().onlyCodes = {0x53, 0x54};
        EXPECT_EQ(sends(row).size(), 3) << row;
        const QString title = row[0] == 'B' ? "Bit Variable $0D ?;" : "Word Variable $02 ?;";
        EXPECT_EQ(core.log.lines(), (Lines{garbled, garbled, garbled, title})) << row;
        EXPECT_TRUE(core.state.FaultFlag) << row;
    }
    // DIG has no attempts: the flag is set as for its timeout.
    core.state.FaultFlag = false;
    board().faults().onlyCodes = {0x52};
    EXPECT_EQ(run("DIG"), Lines{garbled});
    EXPECT_TRUE(core.state.FaultFlag);
    // Every one of those telegrams went without a valid answer; an answered one is not counted.
    EXPECT_EQ(core.interpreter.telegramsSent(), 14);
    EXPECT_EQ(core.interpreter.telegramsUnanswered(), 14);
    board().faults().badGroup = false;
    board().faults().wrongEnd = true;
    board().faults().onlyCodes = {0x20};
    run("ACK");
    run("GETU;1");
    EXPECT_EQ(core.interpreter.telegramsSent(), 16);
    EXPECT_EQ(core.interpreter.telegramsUnanswered(), 15);
}

TEST_F(Scripted, AVariableAnsweredGarbledOnceTakesItsNextAnswer)
{
    EXPECT_EQ(run("BVAR;13", {":aa0253zza5\n", ":aa025320a5\n"}),
              (Lines{"'$zz' is not a valid integer value", "Bit Variable $05 1;"}));
    EXPECT_TRUE(core.state.FaultFlag);
    core.state.FaultFlag = false;
    EXPECT_EQ(run("WVAR;1", {":aa0354zz00a5\n", ":aa03540100a5\n"}),
              (Lines{"'$zz' is not a valid integer value", "Word Variable $01 1;"}));
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(OnSim, AFailedLogFileWriteEndsTheRowAndClearsBusy)
{
    core.file.failing = true;
    EXPECT_THROW(run("GETU;1"), EInOutError);
    EXPECT_FALSE(core.state.Busy);
    EXPECT_THROW(run("TIME"), EInOutError);
    EXPECT_FALSE(core.state.Busy);
    // The next row runs.
    core.file.failing = false;
    EXPECT_EQ(run("WVAR;0"), Lines{"Word Variable $00 0;"});
}

TEST_F(OnSim, APortLostDuringARowIsReportedOnce)
{
    TestApplication::errors().clear();
    board().faults().answerDelayMs = 200;
    QTimer::singleShot(50, [this] { rig.backend->unplug(); });
    EXPECT_NO_THROW(run("GETU;1"));
    EXPECT_EQ(TestApplication::errors().size(), 1) << TestApplication::errors().join('|').toStdString();
    EXPECT_FALSE(core.state.Busy);
    // A row on the closed port fails with the port's error.
    EXPECT_THROW(run("ACK"), EComPort);
    EXPECT_FALSE(core.state.Busy);
}

TEST_F(OnSim, NoRowRunsInsideAnother)
{
    const int slow = core.add("ACK");
    const int other = core.add("DIG");
    board().faults().answerDelayMs = 100;
    QTimer::singleShot(20, [&] {
        EXPECT_TRUE(core.state.Busy);
        core.interpreter.ExecuteRow(other); // refused: nothing sent
    });
    mark = board().telegramLog().size();
    core.interpreter.ExecuteRow(slow);
    EXPECT_EQ(board().telegramLog().mid(mark), QList<QByteArray>{":aa0120a5"});
    // Without the row: nothing.
    core.interpreter.ExecuteRow(99);
    EXPECT_EQ(board().telegramLog().size(), mark + 1);
}

TEST_F(Scripted, AShortAnswerIsNeverReadPastItsEnd)
{
    // Each command first gets a full answer, then the same code without the data it needs:
    // nothing of the earlier answer may show up in the second result.
    EXPECT_EQ(run("ADRR", {":aa03311234a5\n"}), Lines{"Adresse = $34 $12   13330"});
    EXPECT_EQ(run("ADRR", {":aa0131a5\n"}), Lines{"  fail"});
    EXPECT_EQ(run("MSGR", {":aa0450010203a5\n"}), Lines{"Staus = $01 hi =  $03 lo =  $02"});
    EXPECT_EQ(run("MSGR", {":aa025001a5\n"}), Lines{"  fail"});
    const int rfba = core.add("RFBA;0");
    answers = {":aa03400801a5\n", ":aa0140a5\n"};
    answered = 0;
    rig.stub->written.clear();
    core.interpreter.ExecuteRow(rfba);
    core.log.clear();
    core.interpreter.ExecuteRow(rfba);
    EXPECT_EQ(core.log.lines(), Lines{"  fail"});
    EXPECT_EQ(core.list.at(rfba).data[0], 0x08); // from the full answer, untouched by the short one
    EXPECT_EQ(run("BVAR;1", {":aa0253ffa5\n"}), Lines{"Bit Variable $01 1;"});
    EXPECT_EQ(run("BVAR;1", {":aa0153a5\n"}), (Lines{"Rückmeldung ungültig ? $53", "Bit Variable $01 ?;"}));
    EXPECT_EQ(run("WVAR;1", {":aa03540100a5\n"}), Lines{"Word Variable $01 1;"});
    EXPECT_EQ(run("WVAR;1", {":aa025401a5\n"}), (Lines{"Rückmeldung ungültig ? $54", "Word Variable $01 ?;"}));
    EXPECT_EQ(run("GETU;1", {":aa0460001702a5\n"}), Lines{"Baustein $01  23.5;"});
    EXPECT_EQ(run("GETU;1", QList<QByteArray>(6, ":aa0160a5\n")), Lines(6, "Rückmeldung ungültig ? $60")
                                                                      << "Baustein $01 ?;");
    EXPECT_EQ(
        run("WCAN;1;2;3;4", {":aa0162a5\n", ":aa0162a5\n", ":aa0162a5\n", ":aa0162a5\n", ":aa0162a5\n", ":aa0162a5\n"}),
        Lines(6, "Rückmeldung ungültig ? $62"));
}

} // namespace
