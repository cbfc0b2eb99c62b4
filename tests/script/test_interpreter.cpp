// Every script command against the simulated board (and a stub where the board must answer
// something it never would): the telegram it sends, the log lines and the log file.
#include "InterpreterTest.h"

#include <gtest/gtest.h>

namespace {

TEST_F(OnSim, TelegramTextsOfEveryCommand)
{
    struct Case {
        const char* row;
        QList<QByteArray> telegrams;
    };
    const Case cases[] = {
        {"ACK", {":aa0120a5"}},
        {"ADRR", {":aa0131a5"}},
        // D0 is taken whatever its notation, D1 only when given.
        {"ADRW;$10;1", {":aa03321001a5"}},
        {"EEPR;4", {":aa023404a5"}},
        {"EEPW;$10;200", {":aa033310C8A5"}},
        // Empty and binary cells are skipped; no cell at all sends no data byte.
        {"EEPW;;b1;7;;$FF", {":aa033307FFA5"}},
        {"EEPW", {":aa0133A5"}},
        {"RAMR;3", {":aa023603a5"}},
        {"RAMW;1;2;3;4;5;6;7;8", {":aa09350102030405060708A5"}},
        {"ROMR;2", {":aa023702a5"}},
        {"RFBA;0", {":aa024000a5"}},
        {"MSGR", {":aa0150a5"}},
        {"MSGW;7;$34;$12", {":aa0450073412A5"}},
        {"GETU;3", {":aa026003a5"}},
        {"BVAR;13", {":aa03530100a5"}},
        {"WVAR;10", {":aa03540A00a5"}},
        {"WCAN;2;10;11;12", {":aa0562020A0B0Ca5"}},
        {"RCAN;2", {":aa026102a5"}},
        {"DIG", {":aa0152a5"}},
        // The block's address comes back as 0x0800; sensor 1's record lies at 0x080C.
        {"GETT;1", {":aa024000a5", ":aa03320C08A5", ":aa023603a5"}},
        {"TIME", {}},
        {"CLW", {}},
        {"GOTO;3", {}},
        {"xyz", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sends(c.row), c.telegrams) << c.row;
    // RES restarts the board; nothing comes back in time that is looked at.
    EXPECT_EQ(sends("RES"), QList<QByteArray>{":aa0110a5"});
}

TEST_F(OnSim, MnemonicsMatchTheWholeTextInAnyCase)
{
    EXPECT_EQ(sends("ack"), QList<QByteArray>{":aa0120a5"});
    EXPECT_EQ(sends("GeTu;1"), QList<QByteArray>{":aa026001a5"});
    EXPECT_EQ(run("ACK "), Lines{"unbekannter Befehl ACK "});
    EXPECT_EQ(run("xyz"), Lines{"unbekannter Befehl xyz"});
    EXPECT_EQ(run(""), Lines{"unbekannter Befehl "});
    EXPECT_FALSE(core.state.Busy);
}

TEST_F(OnSim, WriteRule)
{
    // With "Telegramm Infos" a label line and "  pass"; without, nothing at all.
    EXPECT_EQ(run("ACK"), Lines{});
    info(true);
    EXPECT_EQ(run("ACK"), Lines{"ACK   pass"});
    EXPECT_EQ(run("ADRW;0;1"), Lines{"Adresse senden:   pass"});
    EXPECT_EQ(run("RAMW;1"), Lines{"RAM-Speicher schreiben:   pass"});
    EXPECT_EQ(run("MSGW;1;2;3"), Lines{"Message Pool schreiben:   pass"});
    EXPECT_EQ(run("RES"), Lines{"RES "});
    board().faults().refuseAll = true;
    EXPECT_EQ(run("EEPW;1"), Lines{"Adresse senden:   fail"});
    board().faults().refuseAll = false;
    board().faults().wrongEnd = true; // no valid answer: code 0
    EXPECT_EQ(run("ACK"), Lines{"ACK   timeout"});
    // Without labels, the outcome goes behind whatever the last line was.
    info(false);
    core.log.clear();
    core.log.addLine("before");
    core.interpreter.ExecuteRow(core.add("ACK"));
    EXPECT_EQ(core.log.lines(), Lines{"before  timeout"});
    EXPECT_FALSE(core.state.FaultFlag);
}

TEST_F(OnSim, AWrongAnswerCodeIsNamedWhereTheCommandSaysSo)
{
    board().faults().wrongCode = true;
    EXPECT_EQ(run("EEPR;2"), Lines{"Rückmeldung ungültig ? $B4"});
    EXPECT_EQ(run("DIG"), Lines{"Rückmeldung ungültig ? $D2"});
    EXPECT_EQ(run("ACK"), Lines{}); // the write rule names nothing
    // GETT names it in its last step only; each such attempt fails.
    board().faults().onlyCodes = {0x36};
    EXPECT_EQ(run("GETT"), (Lines(6, "Rückmeldung ungültig ? $B6") << "Baustein $00 ?;"));
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(OnSim, DumpRuleAndTheMemories)
{
    info(true); // the reads have no label line anyway
    EXPECT_EQ(run("ADRW;$00;$03"), Lines{"Adresse senden:   pass"});
    run("EEPW;$DE;$AD;1");
    run("ADRW;$00;$03");
    EXPECT_EQ(run("EEPR;3"), (Lines{"EEPR = $DE $AD $01 "}));
    run("ADRW;$00;$01");
    run("RAMW;$55;$AA");
    run("ADRW;$00;$01");
    EXPECT_EQ(run("RAMR;2"), (Lines{"RAMR = $55 $AA "}));
    board().flash()[0x10] = 0x12;
    board().flash()[0x11] = 0x34;
    run("ADRW;$10;0");
    EXPECT_EQ(run("ROMR;2"), (Lines{"ROMR = $12 $34 "}));
    // The pointer stands behind what was read.
    EXPECT_EQ(run("ADRR"), (Lines{"Adresse lesen: ", "Adresse = $00 $12   18"}));
    board().faults().refuseAll = true;
    EXPECT_EQ(run("RAMR;1"), Lines{"  fail"});
}

TEST_F(Scripted, DumpRuleAndAddressAnswers)
{
    EXPECT_EQ(run("EEPR;2", {":aa0120a5\n"}), Lines{"Rückmeldung ungültig ? $20"});
    EXPECT_EQ(run("EEPR;2", {":aa0134a5\n"}), Lines{"EEPR = "}); // no data bytes
    EXPECT_EQ(run("ADRR", {":aa0120a5\n"}), Lines{"  fail"});
    EXPECT_EQ(run("ADRR", {":aa0121a5\n"}), Lines{});
    // A short answer is no address: reported as the refusal is.
    EXPECT_EQ(run("ADRR", {":aa023112a5\n"}), Lines{"  fail"});
    EXPECT_EQ(run("MSGR", {":aa0120a5\n"}), Lines{"  fail"});
    EXPECT_EQ(run("MSGR", {":aa0450010203a5\n"}), Lines{"Staus = $01 hi =  $03 lo =  $02"});
    EXPECT_EQ(run("DIG", {":aa0121a5\n"}), Lines{"  fail"});
    EXPECT_EQ(run("DIG", {":aa0120a5\n"}), Lines{"Rückmeldung ungültig ? $20"});
    EXPECT_FALSE(core.state.FaultFlag);
}

TEST_F(OnSim, GetuMeasuresIntoLogAndFile)
{
    board().peripherals().moduleBase[3] = 535;
    EXPECT_EQ(run("GETU;3"), Lines{"Baustein $03  23.5;"});
    EXPECT_EQ(core.file.text, QString(" 23.5;"));
    info(true);
    board().peripherals().moduleBase[0] = 305;
    EXPECT_EQ(run("GETU"), (Lines{"Temperatur lesen:   pass", "Baustein $00  .5;"}));
    EXPECT_FALSE(core.state.FaultFlag);
    // The system's decimal separator.
    core.interpreter.locale = QLocale(QLocale::German);
    EXPECT_EQ(run("GETU;3"), (Lines{"Temperatur lesen:   pass", "Baustein $03  23,5;"}));
    // No module 8: six refusals, each one a failed attempt.
    EXPECT_EQ(run("GETU;8").count("Temperatur lesen:   fail"), 6);
    EXPECT_EQ(core.log.lines().last(), QString("Baustein $08   fail;"));
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(OnSim, GettReadsTheSensorTable)
{
    // Sensor 1's record: bytes 1 and 2 are the raw temperature.
    board().eeprom()[0x0101 + 11 + 1] = 0x17;
    board().eeprom()[0x0101 + 11 + 2] = 0x02;
    EXPECT_EQ(run("GETT;1"), Lines{"Baustein $01  23.5;"});
    info(true);
    EXPECT_EQ(run("GETT;1"), (Lines{"Adresse lesen:   pass", "Adresse schreiben:   pass", "RAM lesen:   pass",
                                    "Baustein $01  23.5;"}));
    EXPECT_FALSE(core.state.FaultFlag);
    // Live values while the board animates.
    board().animate = true;
    info(false);
    const QString line = run("GETT;0").value(0);
    const double degrees = line.mid(QString("Baustein $00 ").size()).chopped(1).toDouble();
    EXPECT_NEAR(degrees, (board().peripherals().sensorBase[0] - 300) / 10.0, 2.6) << line.toStdString();
}

TEST_F(OnSim, GettAttemptsSixTimesFromItsFirstStep)
{
    board().faults().wrongStart = true; // every answer invalid, as a silent board without the wait
    const auto telegrams = sends("GETT");
    EXPECT_EQ(telegrams, QList<QByteArray>(6, ":aa024000a5"));
    EXPECT_EQ(core.log.lines(), Lines{"Baustein $00 timeout;"});
    EXPECT_EQ(core.file.text, QString("timeout;"));
    EXPECT_TRUE(core.state.FaultFlag);

    // The select step refused: the next attempt starts at step one again.
    board().faults().wrongStart = false;
    board().faults().refuseAll = true;
    board().faults().onlyCodes = {0x32};
    info(true);
    core.state.FaultFlag = false;
    const auto again = sends("GETT;2");
    ASSERT_EQ(again.size(), 12);
    EXPECT_EQ(again[0], ":aa024000a5");
    EXPECT_EQ(again[1], ":aa033217"
                        "08A5");
    EXPECT_EQ(again[2], ":aa024000a5");
    EXPECT_EQ(core.log.lines().count("Adresse schreiben:   fail"), 6);
    EXPECT_EQ(core.log.lines().last(), QString("Baustein $02   fail;"));
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(Scripted, GettStepsAndTheirAnswers)
{
    // An address near the top wraps at 65536; a success after a failed attempt.
    const Lines lines = run("GETT;5", {":aa0340F0FFa5\n", ":aa0121a5\n", ":aa0340F0FFa5\n", ":aa0120a5\n",
                                       ":aa04360017"
                                       "02a5\n"});
    EXPECT_EQ(written(), QByteArray(":aa024000a5\r:aa03322800A5\r:aa024000a5\r:aa03322800A5\r:aa023603a5\r"));
    EXPECT_EQ(lines, Lines{"Baustein $05  23.5;"});
    EXPECT_TRUE(core.state.FaultFlag); // the failed attempt stays marked

    // Step one refused with 0x20; an unexpected code in step three.
    core.state.FaultFlag = false;
    const QList<QByteArray> unexpected{":aa0120a5\n", ":aa03400008a5\n", ":aa0120a5\n", ":aa0152a5\n"};
    QList<QByteArray> script = unexpected;
    for (int i = 0; i < 4; ++i)
        script.append(":aa0120a5\n");
    const Lines mixed = run("GETT", script);
    EXPECT_EQ(mixed, (Lines{"Rückmeldung ungültig ? $52", "Baustein $00   fail;"}));
}

TEST_F(Scripted, GettShowsAnInvalidAnswerOnlyInItsLastStep)
{
    // Codes that the first two steps do not list write nothing and fail the attempt: 0x21 in
    // step one, a short address, 0x52 and 0x36 in step two. Step three names its unexpected
    // code.
    const Lines lines =
        run("GETT", {":aa0121a5\n", ":aa03400008a5\n", ":aa0152a5\n", ":aa024008a5\n", ":aa03400008a5\n", ":aa0120a5\n",
                     ":aa0152a5\n", ":aa0121a5\n", ":aa03400008a5\n", ":aa0136a5\n"});
    EXPECT_EQ(answered, 10);
    EXPECT_EQ(lines, (Lines{"Rückmeldung ungültig ? $52", "Baustein $00 ?;"}));
    EXPECT_EQ(core.file.text, QString("?;"));
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(OnSim, BitAndWordVariables)
{
    board().ram()[SimBoard::BitVariablesAt + 1] = 0x20; // signal 13 set
    board().ram()[SimBoard::WordVariablesAt + 20] = 0x34;
    board().ram()[SimBoard::WordVariablesAt + 21] = 0x12;
    EXPECT_EQ(run("BVAR;13"), Lines{"Bit Variable $05 1;"});
    EXPECT_EQ(run("BVAR;12"), Lines{"Bit Variable $04 0;"});
    EXPECT_EQ(run("WVAR;10"), Lines{"Word Variable $0A 4660;"});
    EXPECT_EQ(core.file.text, QString("1;0;4660;"));
    // Three attempts; a refusal leaves the fault flag alone, no answer sets it.
    board().faults().refuseAll = true;
    EXPECT_EQ(sends("BVAR;13").size(), 3);
    EXPECT_EQ(core.log.lines(), Lines{"Bit Variable $0D   fail;"});
    EXPECT_FALSE(core.state.FaultFlag);
    board().faults().refuseAll = false;
    board().faults().wrongEnd = true;
    EXPECT_EQ(sends("WVAR;2").size(), 3);
    EXPECT_EQ(core.log.lines(), Lines{"Word Variable $02   timeout;"});
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(Scripted, VariablesStopAtAnUnexpectedAnswer)
{
    EXPECT_EQ(run("BVAR;9", {":aa0121a5\n", ":aa0120a5\n"}),
              (Lines{"Rückmeldung ungültig ? $20", "Bit Variable $09 ?;"}));
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(run("WVAR;1", {":aa0120a5\n"}), (Lines{"Rückmeldung ungültig ? $20", "Word Variable $01 ?;"}));
    // A success after a timeout.
    EXPECT_EQ(run("WVAR;1", {":aa0154a4\n", ":aa03540100a5\n"}), Lines{"Word Variable $01 1;"});
}

TEST_F(OnSim, CanNodes)
{
    info(true);
    EXPECT_EQ(run("WCAN;2;10;11;12"), (Lines{"Temperatur lesen:   pass", "Rückmeldung pass"}));
    EXPECT_EQ(run("WCAN;9;1;2;3"), (Lines{"Temperatur lesen:   pass", "Adresse ungültig : $0A"}));
    EXPECT_EQ(run("RCAN;2"), (Lines{"Temperatur lesen:   pass", "Baustein $02 : $0A $0B $0C "}));
    // WCAN writes its (empty) result, RCAN ": ", both without ";".
    EXPECT_EQ(core.file.text, QString(": "));
    EXPECT_FALSE(core.state.FaultFlag);

    // Node 5 is not there: six refusals.
    const Lines missing = run("WCAN;5");
    EXPECT_EQ(missing.size(), 6);
    EXPECT_EQ(missing.count("Temperatur lesen:   fail"), 6);
    EXPECT_EQ(core.file.text, QString(":   fail"));
    EXPECT_TRUE(core.state.FaultFlag);

    // One refusal, then the answer: the result keeps the failed attempt's text.
    core.state.FaultFlag = false;
    info(false);
    board().faults().refuseEvery = 2;
    run("ACK");
    EXPECT_EQ(run("RCAN;2"), Lines{"Baustein $02   fail: $0A $0B $0C "});
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(OnSim, DigitalIo)
{
    board().inputs = 0x05;
    board().buttons = 0x02;
    board().outputs = 0x30;
    EXPECT_EQ(run("DIG"), Lines{"Digital IO = $05 $02 $30 "});
    board().faults().wrongStart = true;
    EXPECT_EQ(run("DIG"), Lines{"  timeout"});
    EXPECT_TRUE(core.state.FaultFlag);
}

TEST_F(OnSim, TimeEndsTheLogFileLine)
{
    EXPECT_EQ(run("TIME"), Lines{"14:05:09;"});
    EXPECT_EQ(core.file.text, QString("\r\n14:05:09;"));
    core.file.open = false;
    core.now = QTime(9, 0, 1);
    EXPECT_EQ(run("TIME"), Lines{"09:00:01;"});
    EXPECT_EQ(core.file.text, QString("\r\n14:05:09;"));
}

TEST_F(OnSim, ClwAndGoto)
{
    // No fault: the window (and with "Debug Telegramm" the terminal) is cleared.
    rig.terminal.addLine("terminal");
    core.log.addLine("old");
    core.interpreter.ExecuteRow(core.add("CLW"));
    EXPECT_TRUE(core.log.text().isEmpty());
    EXPECT_FALSE(rig.terminal.text().isEmpty());
    core.interpreter.DebugTelegram = true;
    core.interpreter.ExecuteRow(core.add("CLW"));
    EXPECT_TRUE(rig.terminal.text().isEmpty());

    // A fault and D0 other than 1: the flag is cleared, the text stays.
    int stops = 0;
    core.interpreter.stopAutoSend = [&] { ++stops; };
    core.state.FaultFlag = true;
    core.log.addLine("failure");
    core.interpreter.ExecuteRow(core.add("CLW;2"));
    EXPECT_FALSE(core.state.FaultFlag);
    EXPECT_EQ(core.log.text(), QString("failure"));
    // A fault and D0 = 1: the run stops, flag and text stay.
    core.state.FaultFlag = true;
    core.interpreter.ExecuteRow(core.add("CLW;1"));
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(core.state.FaultFlag);
    EXPECT_EQ(core.log.text(), QString("failure"));
    // D0 = 1 but not given: no stop.
    core.interpreter.ExecuteRow(core.add("CLW;;"));
    EXPECT_EQ(stops, 1);

    // GOTO n leaves the index one before the target; the tick adds the one.
    core.state.DelayTicks = 7;
    core.interpreter.ExecuteRow(core.add("GOTO;5"));
    EXPECT_EQ(core.state.RowIndex, 4);
    EXPECT_EQ(core.state.DelayTicks, 0);
    core.interpreter.ExecuteRow(core.add("GOTO;0"));
    EXPECT_EQ(core.state.RowIndex, 0);
    // The stored value counts, whatever its notation.
    SendRow hidden = SendListFile::parseLine("GOTO");
    hidden.data[0] = 3;
    core.list.append(hidden);
    core.interpreter.TelegramInfo = true;
    core.log.clear();
    core.interpreter.ExecuteRow(core.list.size() - 1);
    EXPECT_EQ(core.state.RowIndex, 2);
    EXPECT_EQ(core.log.lines(), Lines{"Goto 3"});
}

} // namespace
