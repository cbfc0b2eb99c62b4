// Step reports, the kind dispatch and the base-board configuration byte against the
// simulated board (and a stub port where the board must answer something it never would).
#include "BaseBoardConfig.h"
#include "EConvertError.h"
#include "SettingsDispatch.h"
#include "SimRig.h"
#include "StepReporter.h"
#include "StubRig.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Lcd = BaseBoardConfig::Lcd;

QList<QByteArray> telegrams(std::initializer_list<const char*> texts)
{
    QList<QByteArray> list;
    for (const char* t : texts)
        list.append(t);
    return list;
}

struct OnSim : ::testing::Test {
    SimRig rig;
    RecordingLog log;
    StepReporter steps{rig.link, log};
    std::uint8_t& config() { return rig.board.eeprom()[0x0002]; }
};

// Answers the n-th request written to the stub with answers[n].
struct Scripted {
    StubRig rig;
    RecordingLog log;
    StepReporter steps{rig.link, log};
    QTimer timer;
    qsizetype answered = 0;

    explicit Scripted(QList<QByteArray> answers)
    {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this, answers] {
            const qsizetype requests = rig.stub->written.count('\r');
            while (answered < requests && answered < answers.size())
                rig.stub->feed(answers[answered++]);
        });
        timer.start();
    }
};

} // namespace

TEST(BaseBoardBits, LastSelectedLcdWinsAndBitsSixAndSevenAreDropped)
{
    struct Case {
        std::uint8_t byte;
        BaseBoardConfig shown;
        std::uint8_t written;
    } cases[] = {
        {0x00, {Lcd::Off, false, false, false}, 0x00},
        {0x01, {Lcd::Off, false, false, true}, 0x01}, // the box named 0x40 is bit 0
        {0x40, {Lcd::Off, false, false, false}, 0x00},
        {0xC1, {Lcd::Off, false, false, true}, 0x01},
        {0x02, {Lcd::OnBoard, false, false, false}, 0x02},
        {0x06, {Lcd::OnI2C, false, false, false}, 0x04},
        {0x0E, {Lcd::OnRS232, false, false, false}, 0x08},
        {0x0A, {Lcd::OnRS232, false, false, false}, 0x08},
        {0x13, {Lcd::OnBoard, true, false, true}, 0x13},
        {0x3F, {Lcd::OnRS232, true, true, true}, 0x39},
        {0xFF, {Lcd::OnRS232, true, true, true}, 0x39},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.byte));
        const auto shown = BaseBoardConfig::fromByte(c.byte);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(shown.toByte(), c.written);
    }
}

TEST_F(OnSim, ReadReportsBothStepsAndReturnsTheByte)
{
    config() = 0x0E;
    const auto b = BaseBoardConfig::read(steps);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(*b, 0x0E);
    EXPECT_EQ(log.text(), "select address: 0x0002  pass\n read: 0x0E ");
    EXPECT_EQ(rig.board.telegramLog(), telegrams({":aa03320200a5", ":aa023401a5"}));
    EXPECT_EQ(log.color(), LogColors::White); // the dialog chooses the colour, not the steps
}

TEST_F(OnSim, ReadThenWriteClearsBitsSixAndSevenInTheEeprom)
{
    config() = 0xC1;
    const auto b = BaseBoardConfig::read(steps);
    ASSERT_TRUE(b.has_value());
    BaseBoardConfig::write(steps, BaseBoardConfig::fromByte(*b).toByte());
    EXPECT_EQ(config(), 0x01);
    EXPECT_EQ(log.lines(), QStringList({"select address: 0x0002  pass", " read: 0xC1 ", "select address: 0x0002  pass",
                                        " write 0x01  pass"}));
    EXPECT_EQ(rig.board.telegramLog(), telegrams({":aa03320200a5", ":aa023401a5", ":aa03320200a5", ":aa023301a5"}));
    // Neighbours of the byte are left alone.
    EXPECT_EQ(rig.board.eeprom()[0x0001], 0x00);
    EXPECT_EQ(rig.board.eeprom()[0x0003], 0x40);
}

TEST_F(OnSim, RefusedStepsSayFailAndNothingChanges)
{
    config() = 0x13;
    rig.board.faults().refuseAll = true;
    EXPECT_FALSE(BaseBoardConfig::read(steps).has_value());
    BaseBoardConfig::write(steps, 0x08);
    EXPECT_EQ(log.lines(), QStringList({"select address: 0x0002  fail", " read:   fail", "select address: 0x0002  fail",
                                        "write skipped: the EEPROM address was not selected"}));
    EXPECT_EQ(config(), 0x13);
}

TEST_F(OnSim, NoValidAnswerSaysTimeoutAndTheWriteIsSkipped)
{
    rig.board.faults().wrongStart = true;
    EXPECT_FALSE(BaseBoardConfig::read(steps).has_value());
    rig.board.faults().wrongStart = false;
    rig.board.faults().wrongEnd = true;
    BaseBoardConfig::write(steps, 0x10);
    EXPECT_EQ(log.lines(),
              QStringList({"select address: 0x0002  timeout", " read:   timeout", "select address: 0x0002  timeout",
                           "write skipped: the EEPROM address was not selected"}));
    // The board may have taken the select, or not: the byte would land at an unknown address.
    EXPECT_EQ(rig.board.telegramLog().size(), 3);
    EXPECT_EQ(config(), 0x13);
}

TEST_F(OnSim, ASilentReadTimesOutAfterAnAcknowledgedSelect)
{
    rig.board.faults().silent = true;
    rig.board.faults().onlyCodes = {0x34};
    EXPECT_FALSE(BaseBoardConfig::read(steps).has_value());
    EXPECT_EQ(log.text(), "select address: 0x0002  pass\n read:   timeout");
}

TEST_F(OnSim, NoiseAndASlowBoardDoNotMatter)
{
    rig.board.faults().noise = "#?x";
    rig.board.faults().answerDelayMs = 200;
    EXPECT_EQ(BaseBoardConfig::read(steps), std::optional<std::uint8_t>(0x13));
    EXPECT_EQ(log.text(), "select address: 0x0002  pass\n read: 0x13 ");
}

TEST_F(OnSim, AnAnswerThatDoesNotConvertEndsTheHandlerAtThatStep)
{
    rig.board.faults().badGroup = true;
    try {
        (void)BaseBoardConfig::read(steps);
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'$zz' is not a valid integer value");
    }
    EXPECT_EQ(log.text(), "select address: 0x0002");
    EXPECT_EQ(rig.board.telegramLog().size(), 1);
}

TEST(UnexpectedAnswers, ReadsAddTheirLineAndASelectThatIsNoPassWritesNothing)
{
    Scripted s({":aa0150a5\n", ":aa0120a5\n", ":aa0152a5\n", ":aa0153a5\n"});
    EXPECT_FALSE(BaseBoardConfig::read(s.steps).has_value());
    BaseBoardConfig::write(s.steps, 0x02);
    EXPECT_EQ(s.log.lines(),
              QStringList({"select address: 0x0002", " read: ", "Rückmeldung ungültig ? 0x20", "select address: 0x0002",
                           "write skipped: the EEPROM address was not selected"}));
}

TEST_F(OnSim, DispatchFindsTheKindOfEveryBoard)
{
    for (std::uint8_t kind : {0, 1, 2, 16, 3}) {
        SCOPED_TRACE(int(kind));
        rig.board.setKind(kind);
        rig.terminal.clear();
        const qsizetype before = rig.board.telegramLog().size();
        EXPECT_EQ(SettingsDispatch::askKind(rig.link, rig.terminal), std::optional<std::uint8_t>(kind));
        EXPECT_EQ(rig.board.telegramLog().mid(before), telegrams({":aa03320000a5", ":aa023401a5"}));
        EXPECT_EQ(rig.terminal.text(), ""); // an acknowledged select shows nothing

        rig.link.rx().RxMode = RxAnswerLine;
        SettingsDispatch::finish(rig.link, rig.terminal);
        EXPECT_EQ(rig.link.rx().RxMode, RxTerminal);
        ASSERT_EQ(rig.terminal.pieces().size(), 1);
        EXPECT_TRUE(rig.terminal.pieces()[0].newLine);
        EXPECT_EQ(rig.terminal.pieces()[0].text, "");
    }
    using D = SettingsDispatch::Dialog;
    EXPECT_EQ(SettingsDispatch::dialogFor(0), D::BaseBoard);
    EXPECT_EQ(SettingsDispatch::dialogFor(1), D::CpuBoard);
    EXPECT_EQ(SettingsDispatch::dialogFor(2), D::LcdModule);
    EXPECT_EQ(SettingsDispatch::dialogFor(16), D::IoModule);
    for (int kind : {3, 15, 17, 0xFF})
        EXPECT_FALSE(SettingsDispatch::dialogFor(std::uint8_t(kind)).has_value());
}

TEST_F(OnSim, DispatchReportsFailuresIntoTheTerminal)
{
    rig.board.faults().refuseAll = true;
    EXPECT_FALSE(SettingsDispatch::askKind(rig.link, rig.terminal).has_value());
    EXPECT_EQ(rig.terminal.text(), "  fail  fail");
    EXPECT_EQ(rig.terminal.color(), LogColors::Yellow);

    rig.terminal.clear();
    rig.board.faults().refuseAll = false;
    rig.board.faults().wrongEnd = true;
    EXPECT_FALSE(SettingsDispatch::askKind(rig.link, rig.terminal).has_value());
    EXPECT_EQ(rig.terminal.text(), "  timeout  timeout");
}

TEST(UnexpectedAnswers, DispatchAddsTheInvalidAnswerLineOnlyForTheRead)
{
    Scripted s({":aa0152a5\n", ":aa0120a5\n"});
    EXPECT_FALSE(SettingsDispatch::askKind(s.rig.link, s.rig.terminal).has_value());
    EXPECT_EQ(s.rig.terminal.text(), "Rückmeldung ungültig ? $20");
}

TEST_F(OnSim, AStepThatWouldNestIsRefusedOnALineOfItsOwn)
{
    rig.board.faults().answerDelayMs = 100;
    bool refused = false;
    QTimer::singleShot(20, [&] { refused = steps.refuseIfBusy("read"); });
    log.addLine("before");
    EXPECT_EQ(steps.writeStep("select address: 0x0002", ":aa03320200a5\r"), 0x20);
    EXPECT_TRUE(refused);
    // The waiting step keeps its line; the notice stands above it.
    EXPECT_EQ(log.lines(), QStringList({"before", "busy, please wait", "select address: 0x0002  pass"}));
    EXPECT_TRUE(rig.terminal.text().contains("line busy, refused: read"));
    EXPECT_FALSE(steps.refuseIfBusy("read"));

    // Busy with somebody else's exchange: the notice is simply the next line.
    Link::Hold download(rig.link);
    EXPECT_TRUE(steps.refuseIfBusy("write"));
    EXPECT_EQ(log.lines().mid(2), QStringList({"select address: 0x0002  pass", "busy, please wait"}));
}

TEST_F(OnSim, TheFirstFailedStepIsRememberedWithItsKind)
{
    // Both steps answered: nothing failed.
    EXPECT_TRUE(BaseBoardConfig::read(steps).has_value());
    EXPECT_FALSE(steps.failure().has_value());

    // A refused select, then a read that still brings data: the select is the failure.
    rig.board.faults().refuseAll = true;
    rig.board.faults().onlyCodes = {0x32};
    EXPECT_TRUE(BaseBoardConfig::read(steps).has_value());
    ASSERT_TRUE(steps.failure().has_value());
    EXPECT_EQ(steps.failure()->kind, StepFailure::Kind::Refused);
    EXPECT_EQ(steps.failure()->step, "select address: 0x0002");
    EXPECT_EQ(steps.failure()->detail, "fail");

    // Later failures do not replace the first one.
    rig.board.faults().refuseAll = false;
    rig.board.faults().onlyCodes = {};
    rig.board.faults().wrongEnd = true; // answers that are no telegram: as good as none
    EXPECT_FALSE(BaseBoardConfig::read(steps).has_value());
    EXPECT_EQ(steps.failure()->step, "select address: 0x0002");
    steps.clearFailure();
    EXPECT_FALSE(BaseBoardConfig::read(steps).has_value());
    EXPECT_EQ(steps.failure()->kind, StepFailure::Kind::NoAnswer);
    EXPECT_EQ(steps.failure()->step, "select address: 0x0002");
    EXPECT_EQ(steps.failure()->detail, "timeout");
}

TEST(UnexpectedAnswers, CountAsARefusalOfTheirStep)
{
    Scripted s({":aa0120a5\n", ":aa0152a5\n"});
    EXPECT_FALSE(BaseBoardConfig::read(s.steps).has_value());
    ASSERT_TRUE(s.steps.failure().has_value());
    EXPECT_EQ(s.steps.failure()->kind, StepFailure::Kind::Refused);
    EXPECT_EQ(s.steps.failure()->step, "read:");
    EXPECT_EQ(s.steps.failure()->detail, "Rückmeldung ungültig ? 0x52");
}

TEST_F(OnSim, DispatchNamesTheStepThatFailed)
{
    std::optional<StepFailure> failure;
    EXPECT_TRUE(SettingsDispatch::askKind(rig.link, rig.terminal, &failure).has_value());
    EXPECT_FALSE(failure.has_value());

    rig.board.faults().refuseAll = true;
    rig.board.faults().onlyCodes = {0x34};
    EXPECT_FALSE(SettingsDispatch::askKind(rig.link, rig.terminal, &failure).has_value());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, StepFailure::Kind::Refused);
    EXPECT_EQ(failure->step, "read board kind");

    failure.reset();
    rig.board.faults().onlyCodes = {};
    rig.board.faults().refuseAll = false;
    rig.board.faults().wrongEnd = true;
    rig.board.faults().onlyCodes = {0x32};
    EXPECT_TRUE(SettingsDispatch::askKind(rig.link, rig.terminal, &failure).has_value());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, StepFailure::Kind::NoAnswer);
    EXPECT_EQ(failure->step, "select address: 0x0000");

    EXPECT_EQ(SettingsDispatch::kindName(1), "CPU board (ATmega128 & AT90CAN128)");
    EXPECT_EQ(SettingsDispatch::kindName(16), "I/O module");
    EXPECT_EQ(SettingsDispatch::kindName(3), "unknown");
}

TEST(BaseBoardBits, ControlsNameEveryBoxAsTheDialogDoes)
{
    const auto controls = BaseBoardConfig::fromByte(0x13).controls();
    const QList<ConfigControl> expected{
        {"lcdOff", "LCD disabled", false},
        {"lcdOnBoard", "LCD on board enabled", true},
        {"lcdOnI2c", "LCD on I2C bus enabled", false},
        {"lcdOnRs232", "LCD on RS232 enabled", false},
        {"canController", "CAN Controller disable / enable", true},
        {"hardwareClock", "Harware Uhr disable / enable", true},
        {"pushButton", "push button on LCD Display", false},
    };
    EXPECT_EQ(controls, expected);
}

TEST(ShortAnswers, AReadWithoutItsByteIsInvalidAndTakesNothingOfAnEarlierAnswer)
{
    // A full read, then the same read answered without its byte.
    Scripted s({":aa0120a5\n", ":aa023441a5\n", ":aa0120a5\n", ":aa0134a5\n"});
    EXPECT_EQ(BaseBoardConfig::read(s.steps), std::optional<std::uint8_t>(0x41));
    EXPECT_FALSE(BaseBoardConfig::read(s.steps).has_value());
    EXPECT_EQ(s.log.lines(), QStringList({"select address: 0x0002  pass", " read: 0x41 ",
                                          "select address: 0x0002  pass", " read: ", "Rückmeldung ungültig ? 0x34"}));
}

TEST(ShortAnswers, TheDispatchTakesNoBoardKindFromAnEarlierAnswer)
{
    Scripted s({":aa0120a5\n", ":aa023410a5\n", ":aa0120a5\n", ":aa0134a5\n"});
    EXPECT_EQ(SettingsDispatch::askKind(s.rig.link, s.rig.terminal), std::optional<std::uint8_t>(16));
    EXPECT_FALSE(SettingsDispatch::askKind(s.rig.link, s.rig.terminal).has_value());
    EXPECT_EQ(s.rig.terminal.text(), "Rückmeldung ungültig ? $34");
}
