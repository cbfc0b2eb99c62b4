#include "DebugPoller.h"
#include "ScriptedBoard.h"
#include "SimRig.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

using L = LampColor;

struct Poller : ::testing::Test {
    SimRig rig;
    DebugPoller poller{rig.link};

    Poller()
    {
        rig.board.animate = false;
        poller.setActive(true);
    }
    QList<QByteArray> sent() const { return rig.board.telegramLog(); }
    void setWord(int n, std::uint8_t lo, std::uint8_t hi)
    {
        rig.board.ram()[SimBoard::WordVariablesAt + 2 * n] = lo;
        rig.board.ram()[SimBoard::WordVariablesAt + 2 * n + 1] = hi;
    }

    struct Column {
        std::vector<std::pair<int, int>> results; // row, value (lamp as 1 = lime)
        std::vector<int> invalid;
    };
    Column bits(const DebugPoller::Texts& texts)
    {
        Column c;
        poller.PollBitSignals(
            texts, [&](int row, LampColor lamp) { c.results.emplace_back(row, lamp == L::Lime ? 1 : 0); },
            [&](int row, const QString&) { c.invalid.push_back(row); });
        return c;
    }
    Column words(const DebugPoller::Texts& texts)
    {
        Column c;
        poller.PollWordSignals(
            texts, [&](int row, std::uint16_t v) { c.results.emplace_back(row, v); },
            [&](int row, const QString&) { c.invalid.push_back(row); });
        return c;
    }
};

} // namespace

TEST_F(Poller, TelegramsForBitSignalNumbers)
{
    poller.ReadBitSignal(0);
    poller.ReadBitSignal(13);
    poller.ReadBitSignal(255);
    // Typed numbers are taken modulo 256.
    bits({QStringLiteral("256"), QStringLiteral("300")});
    EXPECT_EQ(sent(),
              (QList<QByteArray>{":aa03530000a5", ":aa03530100a5", ":aa03531F00a5", ":aa03530000a5", ":aa03530500a5"}));
}

TEST_F(Poller, TelegramsForWordSignalNumbers)
{
    poller.ReadWordSignal(0);
    poller.ReadWordSignal(13);
    poller.ReadWordSignal(255);
    words({QStringLiteral("256"), QStringLiteral("300"), QStringLiteral("$0A"), QStringLiteral("-1")});
    EXPECT_EQ(sent(), (QList<QByteArray>{":aa03540000a5", ":aa03540D00a5", ":aa0354FF00a5", ":aa03540000a5",
                                         ":aa03542C00a5", ":aa03540A00a5", ":aa0354FF00a5"}));
}

TEST_F(Poller, BitSignalIsTheBitOfItsByte)
{
    auto& ram = rig.board.ram();
    ram[SimBoard::BitVariablesAt + 0] = 0x01;  // signal 0
    ram[SimBoard::BitVariablesAt + 1] = 0x20;  // signal 13
    ram[SimBoard::BitVariablesAt + 5] = 0x00;  // signal 44 clear
    ram[SimBoard::BitVariablesAt + 31] = 0x80; // signal 255
    EXPECT_EQ(poller.ReadBitSignal(0), 1);
    EXPECT_EQ(poller.ReadBitSignal(1), 0);
    EXPECT_EQ(poller.ReadBitSignal(13), 1);
    EXPECT_EQ(poller.ReadBitSignal(12), 0);
    EXPECT_EQ(poller.ReadBitSignal(255), 1);
    EXPECT_EQ(poller.ReadBitSignal(254), 0);
    // A set bit lights the lamp lime, a clear one red.
    const Column c = bits({QStringLiteral("13"), QString(), QStringLiteral("300"), QStringLiteral("0")});
    EXPECT_EQ(c.results, (std::vector<std::pair<int, int>>{{0, 1}, {2, 0}, {3, 1}}));
    EXPECT_TRUE(c.invalid.empty());
}

TEST_F(Poller, WordSignalIsLowByteFirstAndUnsigned)
{
    setWord(10, 0x34, 0x12);
    setWord(0, 0xFF, 0xFF);
    EXPECT_EQ(poller.ReadWordSignal(10), 4660);
    EXPECT_EQ(poller.ReadWordSignal(0), 65535);
    const Column c = words({QString(), QStringLiteral("10"), QString(), QString(), QStringLiteral("256")});
    EXPECT_EQ(c.results, (std::vector<std::pair<int, int>>{{1, 4660}, {4, 65535}}));
}

TEST_F(Poller, DigitalIOGivesSixteenLamps)
{
    rig.board.inputs = 0x05;
    rig.board.buttons = 0x08;
    rig.board.outputs = 0x21;
    const auto lamps = poller.PollDigitalIO();
    ASSERT_TRUE(lamps.has_value());
    EXPECT_EQ(lamps->inputs, (std::array{L::Red, L::Lime, L::Red, L::Lime, L::Lime, L::Lime}));
    EXPECT_EQ(lamps->buttons, (std::array{L::Lime, L::Lime, L::Lime, L::Red}));
    EXPECT_EQ(lamps->outputs, (std::array{L::Red, L::Lime, L::Lime, L::Lime, L::Lime, L::Red}));
    EXPECT_EQ(sent(), QList<QByteArray>{":aa0152a5"});
    // Bits beyond the lamps are ignored.
    EXPECT_EQ(DebugPoller::lampsOf(0xC0, 0xF0, 0xC0), DebugPoller::lampsOf(0, 0, 0));
}

TEST_F(Poller, RefusedReadsGiveNoLampsAndZero)
{
    rig.board.ram()[SimBoard::BitVariablesAt] = 0xFF;
    setWord(3, 0x34, 0x12);
    rig.board.faults().refuseAll = true;
    EXPECT_FALSE(poller.PollDigitalIO().has_value());
    EXPECT_EQ(poller.ReadBitSignal(0), 0);
    EXPECT_EQ(poller.ReadWordSignal(3), 0);
    rig.board.faults().refuseAll = false;
    EXPECT_EQ(poller.ReadWordSignal(3), 4660);
}

TEST_F(Poller, InvalidTextEndsOnlyItsColumn)
{
    const Column b =
        bits({QStringLiteral("1"), QString(), QStringLiteral("x"), QStringLiteral("2"), QStringLiteral("3")});
    EXPECT_EQ(b.invalid, std::vector<int>{2});
    EXPECT_EQ(b.results.size(), 1u);
    EXPECT_EQ(sent().size(), 1);

    // Too large for 32 bits is no number either; the first row is still read.
    const Column w = words({QStringLiteral("4"), QStringLiteral("99999999999"), QStringLiteral("5")});
    EXPECT_EQ(w.invalid, std::vector<int>{1});
    EXPECT_EQ(w.results.size(), 1u);
    EXPECT_EQ(sent().size(), 2);

    // Leading blanks are taken as the conversion has always taken them; trailing ones are not.
    EXPECT_EQ(DebugPoller::parseEntry(QStringLiteral(" 1")).signal, 1);
    EXPECT_EQ(DebugPoller::parseEntry(QStringLiteral("1 ")).kind, DebugPoller::Entry::Invalid);
    EXPECT_EQ(DebugPoller::parseEntry(QStringLiteral("2147483647")).signal, 255);
    EXPECT_EQ(DebugPoller::parseEntry(QString()).kind, DebugPoller::Entry::Empty);
}

TEST_F(Poller, InactiveSendsNothing)
{
    poller.setActive(false);
    EXPECT_FALSE(poller.PollDigitalIO().has_value());
    bits({QStringLiteral("1")});
    words({QStringLiteral("1")});
    EXPECT_TRUE(sent().isEmpty());

    // Switched off while a row waits for its answer: the rest of the column is not read.
    poller.setActive(true);
    rig.board.faults().answerDelayMs = 20;
    QTimer::singleShot(5, [this] { poller.setActive(false); });
    const Column c = words({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    EXPECT_EQ(c.results.size(), 1u);
    EXPECT_EQ(sent().size(), 1);
}

TEST(PollerAnswers, AnAnswerShortOfItsBytesCountsAsNone)
{
    // Each read first gets its full answer, then the same code without the bytes it needs:
    // what the full one carried must not come back.
    ScriptedBoard s(
        {":aa0452050821a5\n", ":aa0252ffa5\n", ":aa0253ffa5\n", ":aa0153a5\n", ":aa03543412a5\n", ":aa025434a5\n"});
    DebugPoller poller(s.rig.link);
    poller.setActive(true);
    ASSERT_TRUE(poller.PollDigitalIO().has_value());
    EXPECT_FALSE(poller.PollDigitalIO().has_value());
    EXPECT_EQ(poller.ReadBitSignal(0), 1);
    EXPECT_EQ(poller.ReadBitSignal(0), 0);
    EXPECT_EQ(poller.ReadWordSignal(1), 4660);
    EXPECT_EQ(poller.ReadWordSignal(1), 0);
}
