// The simulated board's telegram engine, byte for byte: what it answers, what it keeps in its
// memories, and each fault it can be told to make.
#include "SimBoard.h"
#include "WaitUntil.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

struct Board : ::testing::Test {
    SimBoard board;
    QByteArray sent;

    Board()
    {
        board.animate = false;
        QObject::connect(&board, &SimBoard::transmit, [this](const QByteArray& b) { sent += b; });
    }
    // The answer line to one request (without the CR the PC sends).
    QByteArray ask(const QByteArray& request)
    {
        sent.clear();
        board.receive(request + '\r');
        return sent;
    }
    std::uint8_t ee(std::size_t at) { return board.eeprom()[at]; }
};

} // namespace

TEST_F(Board, ThePointerMovesOnWithEveryByteWrittenAndRead)
{
    EXPECT_EQ(ask(":aa03321600a5"), ":aa0120a5\r\n");
    EXPECT_EQ(board.addressPointer(), 0x0016);
    EXPECT_EQ(ask(":aa09330102030405060708a5"), ":aa0120a5\r\n");
    EXPECT_EQ(board.addressPointer(), 0x001E);
    EXPECT_EQ(ask(":aa0333090AA5"), ":aa0120a5\r\n"); // upper case is taken as well
    EXPECT_EQ(ask(":aa0131a5"), ":aa03312000a5\r\n");
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(ee(0x16 + i), i + 1);

    EXPECT_EQ(ask(":aa03321600a5"), ":aa0120a5\r\n");
    EXPECT_EQ(ask(":aa023403a5"), ":aa0434010203a5\r\n");
    EXPECT_EQ(ask(":aa023402a5"), ":aa03340405a5\r\n");
    EXPECT_EQ(board.addressPointer(), 0x001B);

    // A 16-bit address travels low byte first.
    EXPECT_EQ(ask(":aa03320001a5"), ":aa0120a5\r\n");
    EXPECT_EQ(board.addressPointer(), 0x0100);
    // RAM has its own bytes but the same pointer.
    EXPECT_EQ(ask(":aa023577A5"), ":aa0120a5\r\n");
    EXPECT_EQ(board.ram()[0x0100], 0x77);
    EXPECT_EQ(ee(0x0100), 2);
    EXPECT_EQ(board.addressPointer(), 0x0101);
}

TEST_F(Board, TheEepromEndAndBrokenRequestsAreRefused)
{
    EXPECT_EQ(ask(":aa0332FE0Fa5"), ":aa0120a5\r\n"); // 0x0FFE
    EXPECT_EQ(ask(":aa023403a5"), ":aa0121a5\r\n");   // would run past 4 KiB
    EXPECT_EQ(ask(":aa0433010203a5"), ":aa0121a5\r\n");
    EXPECT_EQ(ask(":aa03330102a5"), ":aa0120a5\r\n"); // the last two bytes fit
    EXPECT_EQ(ee(0x0FFF), 0x02);

    EXPECT_EQ(ask(":aa04320000a5"), ":aa0121a5\r\n"); // length does not match
    EXPECT_EQ(ask(":ab0120a5"), ":aa0121a5\r\n");     // not a start byte
    EXPECT_EQ(ask(":aa0120a4"), ":aa0121a5\r\n");     // not an end byte
    EXPECT_EQ(ask(":aa01x0a5"), ":aa0121a5\r\n");     // not hex
    EXPECT_EQ(ask(":aa0199a5"), ":aa0121a5\r\n");     // unknown command
    EXPECT_EQ(ask(":aa023400a5"), ":aa0121a5\r\n");   // nothing to read
    EXPECT_EQ(board.telegramLog().size(), 10);
    EXPECT_EQ(board.telegramLog().first(), ":aa0332FE0Fa5");
}

TEST_F(Board, EachKindShipsWithItsOwnEeprom)
{
    struct Kind {
        std::uint8_t kind, config;
    } kinds[] = {{0, 0x13}, {1, 0x52}, {2, 0x04}, {16, 0x00}, {3, 0x00}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(int(k.kind));
        board.setKind(k.kind);
        EXPECT_EQ(board.kind(), k.kind);
        EXPECT_EQ(ee(0x0000), k.kind);
        EXPECT_EQ(ee(0x0001), 0x00); // firmware valid
        EXPECT_EQ(ee(0x0002), k.config);
        EXPECT_EQ(ee(0x0003), 0x40);
        EXPECT_EQ(ee(0x0016), 0x18); // power-on resets, low byte first: shipped with 0x17, then switched on
        EXPECT_EQ(ee(0x0100), 2);    // 1-Wire devices
        EXPECT_EQ(ee(0x0101), 0x28);
        EXPECT_EQ(ee(0x0159), 0xFF); // behind the table
        EXPECT_EQ(ask(":aa03320000a5"), ":aa0120a5\r\n");
        EXPECT_EQ(ask(":aa023401a5"), ":aa0234" + QByteArray::number(k.kind, 16).rightJustified(2, '0') + "a5\r\n");
    }
}

TEST_F(Board, FileBlockZeroLeavesThePointerAtTheTable)
{
    EXPECT_EQ(ask(":aa024000a5"), ":aa03400008a5\r\n");
    EXPECT_EQ(ask(":aa023601a5"), ":aa023602a5\r\n");
    EXPECT_EQ(ask(":aa02360ba5"), ":aa0c362829"
                                  "2a2b2c2d2e2f303132a5\r\n");
    EXPECT_EQ(ask(":aa024001a5"), ":aa0121a5\r\n");
}

TEST_F(Board, AnswerFaults)
{
    SimFaults& f = board.faults();
    f.refuseAll = true;
    EXPECT_EQ(ask(":aa03320200a5"), ":aa0121a5\r\n");
    EXPECT_EQ(ask(":aa023399a5"), ":aa0121a5\r\n");
    EXPECT_EQ(ee(0x0002), 0x13) << "a refused write must not be carried out";
    EXPECT_EQ(board.addressPointer(), 0x0000);
    f.refuseAll = false;

    f.wrongStart = true;
    EXPECT_EQ(ask(":aa0120a5"), ":ab0120a5\r\n");
    f.wrongStart = false;
    f.wrongEnd = true;
    EXPECT_EQ(ask(":aa0120a5"), ":aa0120a4\r\n");
    f.wrongEnd = false;
    f.badGroup = true;
    EXPECT_EQ(ask(":aa0131a5"), ":aa03zz0000a5\r\n");
    f.badGroup = false;
    f.wrongCode = true; // well-formed, but not the code the command answers with
    EXPECT_EQ(ask(":aa0120a5"), ":aa01a0a5\r\n");
    EXPECT_EQ(ask(":aa0131a5"), ":aa03b10000a5\r\n");
    f.wrongCode = false;
    f.noise = "#?x";
    EXPECT_EQ(ask(":aa0120a5"), "#?x:aa0120a5\r\n");
    f.noise.clear();

    f.silent = true;
    EXPECT_EQ(ask(":aa03320300a5"), "");
    EXPECT_EQ(board.addressPointer(), 0x0003); // it heard, it only does not answer
    f.silent = false;

    // Faults limited to some commands leave the others alone.
    f.refuseAll = true;
    f.onlyCodes = {0x34};
    EXPECT_EQ(ask(":aa03320200a5"), ":aa0120a5\r\n");
    EXPECT_EQ(ask(":aa023401a5"), ":aa0121a5\r\n");
    EXPECT_EQ(ask(":aa0299a5"), ":aa0121a5\r\n"); // broken requests are refused anyway
}

TEST_F(Board, ADelayedAnswerComesLate)
{
    board.faults().answerDelayMs = 120;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(ask(":aa0120a5"), "");
    ASSERT_TRUE(WaitUntil([&] { return !sent.isEmpty(); }, 2000));
    EXPECT_GE(t.elapsed(), 120);
    EXPECT_EQ(sent, ":aa0120a5\r\n");
}

TEST_F(Board, TerminalLinesAndTelegramsShareTheLine)
{
    EXPECT_EQ(ask("time 14 05 09"), "Uhrzeit gestellt: 14:05:09\r\n");
    EXPECT_EQ(ask("hello"), "> hello\r\n");
    // A telegram after a line feed from a terminal program is still a telegram.
    sent.clear();
    board.receive("\n:aa0120a5\r");
    EXPECT_EQ(sent, ":aa0120a5\r\n");
}

TEST_F(Board, MessagePoolKeepsMessagesInOrder)
{
    EXPECT_EQ(ask(":aa0150a5"), ":aa0450000000a5\r\n"); // empty: status 0
    EXPECT_EQ(ask(":aa0450073412A5"), ":aa0120a5\r\n");
    EXPECT_EQ(ask(":aa045008FF00A5"), ":aa0120a5\r\n");
    EXPECT_EQ(ask(":aa0150a5"), ":aa0450073412a5\r\n"); // number, low, high
    EXPECT_EQ(ask(":aa0150a5"), ":aa045008ff00a5\r\n");
    EXPECT_EQ(ask(":aa0150a5"), ":aa0450000000a5\r\n");
    for (int i = 0; i < SimPeripherals::PoolSize; ++i)
        board.receive(":aa0450010203A5\r");
    EXPECT_EQ(ask(":aa0450010203A5"), ":aa0121a5\r\n"); // full
    EXPECT_EQ(ask(":aa03500102a5"), ":aa0121a5\r\n");
}

TEST_F(Board, ModulesAndCanNodesAnswer)
{
    board.peripherals().moduleBase[3] = 535;
    // Module number, then the raw reading low byte first.
    EXPECT_EQ(ask(":aa026003a5"), ":aa0460031702a5\r\n");
    EXPECT_EQ(ask(":aa026008a5"), ":aa0121a5\r\n");
    // A node keeps what was written to it and answers with its number.
    EXPECT_EQ(ask(":aa0562020A0B0Ca5"), ":aa026202a5\r\n");
    EXPECT_EQ(ask(":aa026102a5"), ":aa04610a0b0ca5\r\n");
    // Node 9 answers as 10; a node that is not there is refused.
    EXPECT_EQ(ask(":aa0562090A0B0Ca5"), ":aa02620aa5\r\n");
    EXPECT_EQ(ask(":aa026105a5"), ":aa0121a5\r\n");
    EXPECT_EQ(ask(":aa0562050A0B0Ca5"), ":aa0121a5\r\n");
}

TEST_F(Board, TheSensorTableIsLiveOnlyWhileAnimated)
{
    const QByteArray still = ask(":aa024000a5");
    EXPECT_EQ(still, ":aa03400008a5\r\n");
    // Animation off: the RAM copy is the EEPROM table, byte for byte.
    for (std::size_t i = 0; i < 89; ++i)
        ASSERT_EQ(board.ram()[0x0800 + i], ee(0x0100 + i)) << i;

    board.animate = true;
    ask(":aa024000a5");
    const auto& ram = board.ram();
    for (int n = 0; n < 2; ++n) {
        const int raw = ram[0x0801 + 11 * n + 1] | (ram[0x0801 + 11 * n + 2] << 8);
        EXPECT_NEAR(raw, board.peripherals().sensorBase[n], 25) << n;
        // The address bytes around the temperature stay as stored.
        EXPECT_EQ(ram[0x0801 + 11 * n], ee(0x0101 + 11 * n));
        EXPECT_EQ(ram[0x0801 + 11 * n + 3], ee(0x0101 + 11 * n + 3));
    }
    // Sensors beyond the count have none.
    EXPECT_EQ(ram[0x0801 + 22 + 1], ee(0x0101 + 22 + 1));
    // It moves with the time.
    EXPECT_NE(board.peripherals().sensorRaw(0, 0), board.peripherals().sensorRaw(0, 15000));
}

TEST_F(Board, RefusesEveryNthTelegram)
{
    board.faults().refuseEvery = 3;
    QByteArray answers;
    for (int i = 0; i < 9; ++i)
        answers += ask(":aa0120a5");
    EXPECT_EQ(answers.count(":aa0121a5"), 3);
    EXPECT_EQ(answers.count(":aa0120a5"), 6);
    // Limited to some commands, only those count.
    board.faults().onlyCodes = {0x60};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ask(":aa0120a5"), ":aa0120a5\r\n");
}

TEST_F(Board, RandomFaultsHitTheirShareOfTelegramsInThreeKinds)
{
    board.faults().randomPercent = 10;
    board.faults().randomSeed = 7;
    int silent = 0, refused = 0, corrupt = 0, fine = 0;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray a = ask(":aa0120a5");
        if (a.isEmpty())
            ++silent;
        else if (a == ":aa0121a5\r\n")
            ++refused;
        else if (a == ":aa01zza5\r\n")
            ++corrupt;
        else if (a == ":aa0120a5\r\n")
            ++fine;
    }
    EXPECT_EQ(silent + refused + corrupt + fine, 2000);
    EXPECT_EQ(std::uint64_t(silent + refused + corrupt), board.randomFaults());
    EXPECT_NEAR(silent + refused + corrupt, 200, 60);
    for (int kind : {silent, refused, corrupt})
        EXPECT_GT(kind, 30);
    // The same seed gives the same faults.
    SimBoard one, two;
    QByteArray first, second;
    for (SimBoard* b : {&one, &two}) {
        b->faults().randomPercent = 10;
        b->faults().randomSeed = 7;
    }
    QObject::connect(&one, &SimBoard::transmit, [&](const QByteArray& b) { first += b; });
    QObject::connect(&two, &SimBoard::transmit, [&](const QByteArray& b) { second += b; });
    for (int i = 0; i < 200; ++i) {
        one.receive(":aa0120a5\r");
        two.receive(":aa0120a5\r");
    }
    EXPECT_EQ(first, second);
    EXPECT_GT(one.randomFaults(), 0u);
}

TEST_F(Board, AFloodSendsShortLinesAtAboutTheLineRateUntilItsTimeIsUp)
{
    QElapsedTimer t;
    t.start();
    ask("flood 1");
    EXPECT_TRUE(board.flooding());
    ASSERT_TRUE(WaitUntil([&] { return !board.flooding(); }, 3000));
    EXPECT_GE(t.elapsed(), 1000);
    EXPECT_TRUE(sent.endsWith("flood end\r\n"));
    EXPECT_TRUE(sent.startsWith("F0\r\nF1\r\n"));
    // Close to 5760 bytes per second, never above.
    EXPECT_GT(sent.size(), 4000);
    EXPECT_LT(sent.size(), 6000);
}
