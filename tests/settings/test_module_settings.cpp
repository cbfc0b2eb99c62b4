// The reset counters, the I/O module's I2C address, the LCD module's and the CPU board's
// configuration byte: telegrams, log lines and what ends up in the board's EEPROM.
#include "CpuBoardConfig.h"
#include "EConvertError.h"
#include "HexInput.h"
#include "IoModuleAddress.h"
#include "LcdModuleConfig.h"
#include "OneWireTable.h"
#include "ResetCounters.h"
#include "ScriptedBoard.h"
#include "SimRig.h"
#include "StepReporter.h"

#include <gtest/gtest.h>

namespace {

struct OnSim : ::testing::Test {
    SimRig rig;
    RecordingLog log;
    StepReporter steps{rig.link, log};
    qsizetype mark = 0;

    OnSim() { rig.board.animate = false; }
    std::vector<std::uint8_t>& ee() { return rig.board.eeprom(); }
    // The telegrams the board took in since the last call.
    QList<QByteArray> sent()
    {
        const auto all = rig.board.telegramLog();
        const auto since = all.mid(mark);
        mark = all.size();
        return since;
    }
};

} // namespace

TEST_F(OnSim, ResetCountersShowEachPairHighByteFirst)
{
    for (std::uint8_t i = 0; i < 10; ++i)
        ee()[0x16 + i] = i + 1;
    const auto counters = ResetCounters::read(steps);
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ(*counters, (std::vector<std::uint16_t>{0x0201, 0x0403, 0x0605, 0x0807, 0x0A09}));
    EXPECT_EQ(log.lines(), QStringList({"Adresse senden: 0x0016  pass", "Daten aus dem EEPROM lesen: ", "EEPR = ",
                                        "Reset Counter: $02$01", "      external: $04$03", "     brown out: $06$05",
                                        "      watchdog: $08$07", "          itag: $0A$09"}));
    EXPECT_EQ(sent(), (QList<QByteArray>{":aa03321600a5", ":aa02340Aa5"}));
}

TEST_F(OnSim, ClearingWritesEightThenTwoZeroBytesAndTheBoardCountsOn)
{
    EXPECT_TRUE(ResetCounters::clear(steps));
    EXPECT_EQ(log.lines(), QStringList({"Adresse senden: 0x0016  pass", "Clear Reset Counter:   pass  pass"}));
    EXPECT_EQ(sent(), (QList<QByteArray>{":aa03321600a5", ":aa09330000000000000000a5", ":aa03330000a5"}));
    for (std::size_t i = 0x16; i <= 0x1F; ++i)
        EXPECT_EQ(ee()[i], 0) << i;
    EXPECT_EQ(ee()[0x15], 0xFF);
    EXPECT_EQ(ee()[0x20], 0xFF);

    // A restart by the reset telegram goes through the watchdog.
    (void)rig.link.SendTelegram(":aa0110a5\r");
    log.clear();
    const auto counters = ResetCounters::read(steps);
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ(*counters, (std::vector<std::uint16_t>{0, 0, 0, 1, 0}));
}

TEST_F(OnSim, RefusedAndInvalidAnswersOfTheCounters)
{
    rig.board.faults().refuseAll = true;
    EXPECT_FALSE(ResetCounters::read(steps).has_value());
    EXPECT_FALSE(ResetCounters::clear(steps));
    EXPECT_EQ(log.lines(),
              QStringList({"Adresse senden: 0x0016  fail", "Daten aus dem EEPROM lesen:   fail",
                           "Adresse senden: 0x0016  fail", "write skipped: the EEPROM address was not selected"}));
    rig.board.faults().refuseAll = false;
    rig.board.faults().wrongEnd = true;
    log.clear();
    EXPECT_FALSE(ResetCounters::clear(steps));
    EXPECT_EQ(log.lines(),
              QStringList({"Adresse senden: 0x0016  timeout", "write skipped: the EEPROM address was not selected"}));
}

TEST(ResetCounterAnswers, OnlyCompletePairsAndNothingForAnUnexpectedCode)
{
    // Three data bytes: one pair; the third byte has no partner. A later short answer must
    // not show bytes of the earlier, longer one.
    ScriptedBoard s({":aa0120a5\n", ":aa0434010203a5\n", ":aa0120a5\n", ":aa0b340102030405060708090Aa5\n",
                     ":aa0120a5\n", ":aa0134a5\n", ":aa0120a5\n", ":aa0152a5\n"});
    auto counters = ResetCounters::read(s.steps);
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ(*counters, std::vector<std::uint16_t>{0x0201});
    EXPECT_EQ(s.log.lines().mid(2), QStringList({"EEPR = ", "Reset Counter: $02$01"}));

    (void)ResetCounters::read(s.steps);
    s.log.clear();
    counters = ResetCounters::read(s.steps);
    ASSERT_TRUE(counters.has_value());
    EXPECT_TRUE(counters->empty());
    EXPECT_EQ(s.log.lines(), QStringList({"Adresse senden: 0x0016  pass", "Daten aus dem EEPROM lesen: ", "EEPR = "}));

    s.log.clear();
    EXPECT_FALSE(ResetCounters::read(s.steps).has_value());
    EXPECT_EQ(s.log.lines(), QStringList({"Adresse senden: 0x0016  pass", "Daten aus dem EEPROM lesen: "}));
}

TEST(HexEdits, PrefixesAndTheLowEightBits)
{
    struct Case {
        const char* text;
        std::uint8_t value;
    } good[] = {{"40", 0x40},   {"1FF", 0xFF}, {"$1f", 0x1F},     {"0x2A", 0x2A},
                {"0XfE", 0xFE}, {"0", 0},      {"FFFFFFFF", 0xFF}};
    for (const auto& c : good)
        EXPECT_EQ(HexInput::lowByte(QString::fromLatin1(c.text)), c.value) << c.text;
    for (const char* bad : {"", "$", "0x", "4G", " 40", "40 ", "-1", "$-1", "+1", "$0x40", "1FFFFFFFF", "1.5"}) {
        try {
            (void)HexInput::lowByte(QString::fromLatin1(bad));
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(bad)));
        }
    }
    EXPECT_TRUE(HexInput::allHexDigits("0123456789abcdefABCDEF"));
    EXPECT_FALSE(HexInput::allHexDigits(""));
    EXPECT_FALSE(HexInput::allHexDigits("12 4"));
    EXPECT_FALSE(HexInput::allHexDigits("0g"));
}

TEST_F(OnSim, TheI2CAddressReadsAndWritesBackUnchanged)
{
    const auto b = IoModuleAddress::read(steps);
    ASSERT_EQ(b, std::optional<std::uint8_t>(0x40));
    EXPECT_TRUE(IoModuleAddress::write(steps, "40"));
    EXPECT_EQ(log.lines(), QStringList({"Adresse senden: 0x0003  pass", "Daten aus dem EEPROM lesen: ", "EEPR = $40 ",
                                        "Adresse senden: 0x0003  pass", "40 in das EEPROM schreiben:   pass"}));
    EXPECT_EQ(sent(), (QList<QByteArray>{":aa03320300a5", ":aa023401a5", ":aa03320300a5", ":aa023340a5"}));

    EXPECT_TRUE(IoModuleAddress::write(steps, "1FF"));
    EXPECT_EQ(ee()[3], 0xFF);
    EXPECT_EQ(sent().last(), ":aa0233FFa5");
    EXPECT_TRUE(IoModuleAddress::write(steps, "0x2a"));
    EXPECT_EQ(ee()[3], 0x2A);
}

TEST_F(OnSim, AnI2CAddressThatIsNotHexEndsTheWriteAfterTheSelect)
{
    for (const QString text : {"", "zz"}) {
        log.clear();
        EXPECT_THROW((void)IoModuleAddress::write(steps, text), EConvertError);
        EXPECT_EQ(log.text(), "Adresse senden: 0x0003  pass");
        EXPECT_EQ(sent(), QList<QByteArray>{":aa03320300a5"});
    }
    EXPECT_EQ(ee()[3], 0x40);
}

TEST(ModuleAnswers, AnUnexpectedCodeOrAMissingByteShowsNoData)
{
    // The missing byte comes after a full read: the byte of that read must not show again.
    ScriptedBoard s({":aa0120a5\n", ":aa0152a5\n", ":aa0120a5\n", ":aa023440a5\n", ":aa0120a5\n", ":aa0134a5\n",
                     ":aa0120a5\n", ":aa0121a5\n", ":aa0120a5\n", ":aa0134a5\n"});
    EXPECT_FALSE(IoModuleAddress::read(s.steps).has_value());
    EXPECT_EQ(IoModuleAddress::read(s.steps), std::optional<std::uint8_t>(0x40));
    EXPECT_FALSE(IoModuleAddress::read(s.steps).has_value());
    EXPECT_FALSE(LcdModuleConfig::read(s.steps).has_value());
    EXPECT_FALSE(LcdModuleConfig::read(s.steps).has_value());
    EXPECT_EQ(
        s.log.lines(),
        QStringList({"Adresse senden: 0x0003  pass", "Daten aus dem EEPROM lesen: ", "Rückmeldung ungültig ? $52",
                     "Adresse senden: 0x0003  pass", "Daten aus dem EEPROM lesen: ", "EEPR = $40 ",
                     "Adresse senden: 0x0003  pass", "Daten aus dem EEPROM lesen: ", "Rückmeldung ungültig ? $34",
                     "Adresse senden: 0x0002  pass", "Daten aus dem EEPROM lesen:   fail",
                     "Adresse senden: 0x0002  pass", "Daten aus dem EEPROM lesen: ", "Rückmeldung ungültig ? $34"}));
}

TEST_F(OnSim, TheLcdModuleWritesOnlyItsI2CBit)
{
    rig.board.setKind(2);
    ee()[2] = 0xFB; // every bit but the I2C one
    EXPECT_EQ(LcdModuleConfig::read(steps), std::optional<std::uint8_t>(0xFB));
    LcdModuleConfig::write(steps, true);
    EXPECT_EQ(ee()[2], 0x04);
    LcdModuleConfig::write(steps, false);
    EXPECT_EQ(ee()[2], 0x00);
    EXPECT_EQ(log.lines(), QStringList({"Adresse senden: 0x0002  pass", "Daten aus dem EEPROM lesen: ", "EEPR = $FB ",
                                        "Adresse senden: 0x0002  pass", "04 in das EEPROM schreiben:   pass",
                                        "Adresse senden: 0x0002  pass", "00 in das EEPROM schreiben:   pass"}));
    EXPECT_EQ(sent().mid(2), (QList<QByteArray>{":aa03320200a5", ":aa023304a5", ":aa03320200a5", ":aa023300a5"}));
}

TEST(CpuBoardBits, BitsZeroAndSevenAreNeverWritten)
{
    using Lcd = CpuBoardConfig::Lcd;
    struct Case {
        std::uint8_t byte;
        CpuBoardConfig shown;
        std::uint8_t written;
    } cases[] = {
        {0x08, {Lcd::OnRS232, false, false, false}, 0x08}, {0x01, {Lcd::Off, false, false, false}, 0x00},
        {0x40, {Lcd::Off, false, false, true}, 0x40},      {0x0E, {Lcd::OnRS232, false, false, false}, 0x08},
        {0x52, {Lcd::OnBoard, true, false, true}, 0x52},   {0x24, {Lcd::OnI2C, false, true, false}, 0x24},
        {0xFF, {Lcd::OnRS232, true, true, true}, 0x78},    {0x81, {Lcd::Off, false, false, false}, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.byte));
        const auto shown = CpuBoardConfig::fromByte(c.byte);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(shown.toByte(), c.written);
    }
}

TEST_F(OnSim, NoWriteGoesOutAfterASelectThatWasNotAcknowledged)
{
    rig.board.setKind(2);
    const std::vector<std::uint8_t> before = ee();
    const std::array<QString, OneWireTable::Entries> entries{};
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"clear reset counters", [&] { (void)ResetCounters::clear(steps); }},
        {"I2C address", [&] { (void)IoModuleAddress::write(steps, "41"); }},
        {"configuration byte", [&] { CpuBoardConfig::write(steps, 0x52); }},
        {"LCD configuration", [&] { LcdModuleConfig::write(steps, true); }},
        {"1-Wire table", [&] { OneWireTable::write(steps, "2", entries); }},
    };
    // Refused, an invalid answer (a timeout to the link), and an answer with a wrong code.
    const std::pair<const char*, void (*)(SimFaults&)> answers[] = {
        {"refused", [](SimFaults& f) { f.refuseAll = true; }},
        {"invalid", [](SimFaults& f) { f.wrongEnd = true; }},
        {"wrong code", [](SimFaults& f) { f.wrongCode = true; }},
    };
    for (const auto& [answer, fault] : answers) {
        rig.board.faults() = {};
        rig.board.faults().onlyCodes = {0x32};
        fault(rig.board.faults());
        for (const auto& [name, operation] : operations) {
            log.clear();
            steps.clearFailure();
            (void)sent();
            operation();
            const QString what = QString("%1, select %2").arg(name, answer);
            EXPECT_EQ(sent().size(), 1) << what.toStdString(); // the select alone
            EXPECT_EQ(log.lines().size(), 2) << what.toStdString();
            EXPECT_EQ(log.lines().value(1), "write skipped: the EEPROM address was not selected") << what.toStdString();
            EXPECT_TRUE(steps.failure().has_value()) << what.toStdString();
        }
    }
    EXPECT_EQ(ee(), before);
}
