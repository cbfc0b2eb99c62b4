// The 1-Wire table of the LCD module: ten telegrams to read it through file block 0, nine
// to write it from EEPROM 0x0100, and what a short entry, a wrong length or a count that is
// no number makes of the write.
#include "EConvertError.h"
#include "ImpatientClicks.h"
#include "OneWireTable.h"
#include "ScriptedBoard.h"
#include "SimRig.h"
#include "StepReporter.h"

#include <gtest/gtest.h>

namespace {

using Entries = std::array<QString, OneWireTable::Entries>;

struct Table : ::testing::Test {
    SimRig rig;
    RecordingLog log;
    StepReporter steps{rig.link, log};

    Table()
    {
        // Live values in file block 0 must not get in the way of a table read back.
        rig.board.animate = false;
        rig.board.setKind(2);
    }
    std::vector<std::uint8_t>& ee() { return rig.board.eeprom(); }
};

QString readLine(int n) { return QStringLiteral("Daten ow%1 aus dem File Block lesen: ").arg(n); }
QString writeLine(int n) { return QStringLiteral("Daten ow%1 in das EEPROM schreiben: ").arg(n); }

Entries sample()
{
    Entries e;
    for (int n = 0; n < OneWireTable::Entries; ++n)
        e[std::size_t(n)] = QStringLiteral("28") + QStringLiteral("%1").arg(n, 2, 10, QChar('0')) + QString(18, '0');
    return e;
}

} // namespace

TEST_F(Table, ReadSendsTenTelegramsAndShowsEveryByte)
{
    const auto texts = OneWireTable::read(steps);
    EXPECT_EQ(texts.count, std::optional<QString>("02"));
    EXPECT_EQ(texts.entries[0], std::optional<QString>("28292A2B2C2D2E2F303132"));
    EXPECT_EQ(texts.entries[1], std::optional<QString>("292A2B2C2D2E2F30313233"));
    EXPECT_EQ(texts.entries[7], std::optional<QString>(QString(22, '0')));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1 + 2 + 2 * 8);
    EXPECT_EQ(lines[0], "Adresse OW File Block lesen:");
    EXPECT_EQ(lines[1], readLine(0));
    EXPECT_EQ(lines[2], "ow anz = $02 ");
    EXPECT_EQ(lines[3], readLine(0));
    EXPECT_EQ(lines[4], "RAMR = $28 $29 $2A $2B $2C $2D $2E $2F $30 $31 $32 ");
    EXPECT_EQ(lines[17], readLine(7));
    QList<QByteArray> expected{":aa024000a5", ":aa023601a5"};
    for (int n = 0; n < 8; ++n)
        expected << ":aa02360ba5";
    EXPECT_EQ(rig.board.telegramLog(), expected);
}

TEST_F(Table, WriteThenReadBackGivesTheSameTable)
{
    Entries e = sample();
    e[3] = "abcdef0123456789abcdef"; // lower case goes as typed
    OneWireTable::write(steps, "$5", e);
    EXPECT_EQ(ee()[0x100], 0x05);
    EXPECT_EQ(ee()[0x101 + 11 * 3], 0xAB);
    EXPECT_EQ(ee()[0x101 + 11 * 7 + 10], 0x00);
    EXPECT_EQ(ee()[0x159], 0xFF); // nothing behind the table
    const auto& t = rig.board.telegramLog();
    ASSERT_EQ(t.size(), 10);
    EXPECT_EQ(t[0], ":aa03320001a5");
    EXPECT_EQ(t[1], ":aa023305a5");
    EXPECT_EQ(t[2], ":aa0c332800000000000000000000a5");
    EXPECT_EQ(t[5], ":aa0c33abcdef0123456789abcdefa5");
    EXPECT_EQ(log.lines().mid(0, 5),
              QStringList({"Adresse 0x0100 schreiben:   pass", "Anzahl der ow Bausteine in das EEPROM schreiben: ",
                           "05 in das EEPROM schreiben:   pass", writeLine(0) + "  pass", writeLine(1) + "  pass"}));

    const auto texts = OneWireTable::read(steps);
    EXPECT_EQ(texts.count, std::optional<QString>("05"));
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(texts.entries[std::size_t(n)], std::optional<QString>(e[std::size_t(n)].toUpper())) << n;
}

TEST_F(Table, ClicksRefusedWhileAnEntryWaitsStandAboveItsLine)
{
    rig.board.faults().answerDelayMs = 25;
    Entries e = sample();
    e[5] = "123"; // the length error line stands between the entry's line and its outcome
    {
        ImpatientClicks clicks(steps);
        OneWireTable::write(steps, "8", e);
        EXPECT_GE(clicks.refused(), 8);
    }
    const QStringList lines = ImpatientClicks::withoutNotices(log.lines());
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[2], "08 in das EEPROM schreiben:   pass");
    EXPECT_EQ(lines[3], writeLine(0) + "  pass");
    EXPECT_EQ(lines[8], writeLine(5));
    EXPECT_EQ(lines[9], "Fehler in der Länge 03  pass");
    EXPECT_EQ(lines[11], writeLine(7) + "  pass");
    EXPECT_EQ(ee()[0x101 + 11 * 7], 0x28);
}

TEST_F(Table, EntriesOfAnotherLengthOrWithNonHexCharactersAreWrittenAsZeros)
{
    Entries e = sample();
    e[0] = QString(23, 'A');
    e[1] = "";
    e[2] = "28 29 2A 2B 2C 2D 2E 2"; // 22 characters, blanks among them
    e[3] = "0123456789ABCDEF";       // what a short read leaves
    OneWireTable::write(steps, "3", e);
    const auto& t = rig.board.telegramLog();
    EXPECT_EQ(t[1], ":aa023303a5");
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(t[2 + n], ":aa0c330000000000000000000000a5") << n;
    EXPECT_EQ(t[6], ":aa0c332804000000000000000000a5");
    const QStringList lines = log.lines();
    EXPECT_EQ(
        lines.mid(3, 8),
        QStringList({writeLine(0), "Fehler in der Länge 17  pass", writeLine(1), "Fehler in der Länge 00  pass",
                     writeLine(2), "Fehler in der Länge 16  pass", writeLine(3), "Fehler in der Länge 10  pass"}));
    for (std::size_t i = 0x101; i < 0x101 + 44; ++i)
        EXPECT_EQ(ee()[i], 0) << i;
}

TEST_F(Table, ACountThatIsNoNumberEndsTheWriteBeforeAnythingIsWritten)
{
    for (const QString count : {"", "x3"}) {
        log.clear();
        const qsizetype before = rig.board.telegramLog().size();
        try {
            OneWireTable::write(steps, count, sample());
            ADD_FAILURE() << "no conversion error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(count));
        }
        EXPECT_EQ(log.lines(), QStringList({"Adresse 0x0100 schreiben:   pass",
                                            "Anzahl der ow Bausteine in das EEPROM schreiben: "}));
        EXPECT_EQ(rig.board.telegramLog().mid(before), QList<QByteArray>{":aa03320001a5"});
    }
    EXPECT_EQ(ee()[0x100], 2);
}

TEST_F(Table, NoValidAnswerLeavesEveryTextAsItWas)
{
    rig.board.faults().wrongEnd = true;
    const auto texts = OneWireTable::read(steps);
    EXPECT_FALSE(texts.count.has_value());
    for (const auto& e : texts.entries)
        EXPECT_FALSE(e.has_value());
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 10);
    for (const QString& l : lines)
        EXPECT_TRUE(l.endsWith("  timeout")) << l.toStdString();
    EXPECT_EQ(rig.board.telegramLog().size(), 10);
}

TEST_F(Table, ASilentBlockLookupDoesNotStopTheReads)
{
    rig.board.faults().silent = true;
    rig.board.faults().onlyCodes = {0x40};
    const auto texts = OneWireTable::read(steps);
    EXPECT_EQ(log.lines().first(), "Adresse OW File Block lesen:  timeout");
    EXPECT_EQ(rig.board.telegramLog().size(), 10);
    // The board's pointer did move to the block; only its answer got lost.
    EXPECT_EQ(texts.count, std::optional<QString>("02"));
}

TEST(TableAnswers, ShortEntriesRefusalsAndOddCodes)
{
    int entry = 0, counts = 0;
    ScriptedBoard s([&entry, &counts](const QByteArray& request) -> QByteArray {
        if (request == ":aa024000a5")
            return ":aa03400008a5\n";
        if (request == ":aa023601a5") {
            // An odd code, then a count answer without its byte behind a longer answer.
            return counts++ == 0 ? ":aa0152a5\n" : ":aa0136a5\n";
        }
        switch (entry++) {
        case 0: return ":aa09360102030405060708a5\n"; // eight bytes of eleven
        case 1: return ":aa0121a5\n";
        case 2: return ":aa0122a5\n";
        default: return ":aa0c360102030405060708090A0Ba5\n";
        }
    });
    const auto texts = OneWireTable::read(s.steps);
    EXPECT_FALSE(texts.count.has_value());
    EXPECT_EQ(texts.entries[0], std::optional<QString>("0102030405060708"));
    EXPECT_FALSE(texts.entries[1].has_value());
    EXPECT_FALSE(texts.entries[2].has_value());
    EXPECT_EQ(texts.entries[3], std::optional<QString>("0102030405060708090A0B"));
    const QStringList lines = s.log.lines();
    EXPECT_EQ(lines.mid(0, 8), QStringList({"Adresse OW File Block lesen:", readLine(0), "Rückmeldung ungültig ? $52",
                                            readLine(0), "RAMR = $01 $02 $03 $04 $05 $06 $07 $08 ",
                                            readLine(1) + "  fail", readLine(2), "Rückmeldung ungültig ? $22"}));

    s.log.clear();
    const auto again = OneWireTable::read(s.steps);
    EXPECT_FALSE(again.count.has_value());
    EXPECT_EQ(s.log.lines().mid(0, 3),
              QStringList({"Adresse OW File Block lesen:", readLine(0), "Rückmeldung ungültig ? $36"}));
}

TEST(TableAnswers, AnEntryRefusedWith22FailsAnd21ShowsNothing)
{
    ScriptedBoard s([](const QByteArray& request) -> QByteArray {
        if (request.startsWith(":aa0c33"))
            return request.contains("11") ? ":aa0121a5\n" : ":aa0122a5\n";
        return ":aa0120a5\n";
    });
    Entries e = sample();
    e[1] = QString(22, '1');
    OneWireTable::write(s.steps, "0x2", e);
    const QStringList lines = s.log.lines();
    EXPECT_EQ(lines[2], "02 in das EEPROM schreiben:   pass");
    EXPECT_EQ(lines[3], writeLine(0) + "  fail");
    EXPECT_EQ(lines[4], writeLine(1));
    EXPECT_EQ(s.requests.size(), 10);
}
