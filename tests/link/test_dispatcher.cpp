#include "StubRig.h"

#include <gtest/gtest.h>

namespace {

struct Dispatcher : ::testing::Test {
    StubRig rig;
    void feed(const QByteArray& bytes)
    {
        rig.stub->input.append(bytes);
        rig.rx().ComPortRxChar(int(rig.stub->input.size()));
    }
    QByteArray left() const { return rig.stub->input; }
};

} // namespace

TEST_F(Dispatcher, AnswerLineStopsAtTheLineFeedAndLeavesTheRestQueued)
{
    rig.rx().RxMode = RxAnswerLine;
    feed(":aa0120a5\r\nnext");
    EXPECT_EQ(rig.rx().AnswerComplete, 1);
    // The carriage return stays and the line feed adds a second one.
    EXPECT_EQ(rig.rx().RxText, QByteArray(":aa0120a5\r\r"));
    EXPECT_EQ(left(), QByteArray("next"));
    // The rest is taken at the next event, still in mode 2.
    rig.rx().ComPortRxChar(4);
    EXPECT_EQ(rig.rx().RxText, QByteArray(":aa0120a5\r\rnext"));
    EXPECT_TRUE(left().isEmpty());
}

TEST_F(Dispatcher, SignOnIsFoundAcrossEvents)
{
    rig.rx().RxMode = RxSignOn;
    feed("boot VL");
    EXPECT_EQ(rig.rx().AnswerComplete, 0);
    feed("MR 1.3\r\n");
    EXPECT_EQ(rig.rx().AnswerComplete, 1);
    EXPECT_EQ(rig.rx().RxText, QByteArray("boot VLMR"));
    EXPECT_EQ(left(), QByteArray(" 1.3\r\n"));
}

TEST_F(Dispatcher, CrReplyCountsIntoElementZero)
{
    auto& rx = rig.rx();
    rx.RxMode = RxCrReply;
    rx.RxBlock.assign(10, 0);
    feed("12\rX");
    EXPECT_EQ(rx.AnswerComplete, 1);
    EXPECT_EQ(rx.RxCount, 3);
    EXPECT_EQ(rx.RxBlock[0], 3);
    EXPECT_EQ(rx.RxBlock[1], '1');
    EXPECT_EQ(rx.RxBlock[2], '2');
    EXPECT_EQ(rx.RxBlock[3], 0x0D);
    EXPECT_EQ(left(), QByteArray("X"));
}

TEST_F(Dispatcher, CrReplyLongerThanTheBlockIsCountedButNotStored)
{
    auto& rx = rig.rx();
    rx.RxMode = RxCrReply;
    rx.RxBlock.assign(10, 0xEE);
    feed(QByteArray(14, 'a') + '\r');
    EXPECT_EQ(rx.AnswerComplete, 1);
    EXPECT_EQ(rx.RxCount, 15); // the caller sees that the reply did not fit
    EXPECT_EQ(rx.RxBlock.size(), 10u);
    EXPECT_EQ(rx.RxBlock[0], 15);
    EXPECT_EQ(rx.RxBlock[9], 'a');
}

TEST_F(Dispatcher, WaitForCrDropsBytes)
{
    rig.rx().RxMode = RxWaitCr;
    feed("xyz");
    EXPECT_EQ(rig.rx().AnswerComplete, 0);
    feed("\rrest");
    EXPECT_EQ(rig.rx().AnswerComplete, 1);
    EXPECT_TRUE(rig.rx().RxText.isEmpty());
    EXPECT_EQ(left(), QByteArray("rest"));
}

TEST_F(Dispatcher, FixedBlockCompletesAtTheExpectedCount)
{
    auto& rx = rig.rx();
    rx.RxMode = RxFixedBlock;
    rx.RxBlock.assign(6, 0);
    rx.RxExpected = 4;
    rx.RxCapacity = 5;
    feed(QByteArray("\x01\x02\x03\x04\x05\x06", 6));
    EXPECT_EQ(rx.AnswerComplete, 1);
    EXPECT_EQ(rx.RxCount, 4);
    EXPECT_EQ(rx.RxBlock[3], 4);
    EXPECT_EQ(rx.RxBlock[4], 0);
    EXPECT_EQ(left(), QByteArray("\x05\x06", 2));
}

TEST_F(Dispatcher, FixedBlockReportsOverflowBeyondCapacity)
{
    auto& rx = rig.rx();
    rx.RxMode = RxFixedBlock;
    rx.RxBlock.assign(4, 0);
    rx.RxCount = 2;
    rx.RxExpected = 1; // already passed: never completes
    rx.RxCapacity = 2;
    feed("ab");
    EXPECT_EQ(rx.AnswerComplete, 0);
    EXPECT_EQ(rig.terminal.text(), QString("overflowoverflow"));
    EXPECT_EQ(rx.RxBlock[0], 0);
}

TEST_F(Dispatcher, TerminalShowsEverythingInWhiteIncludingWhatFollowsANul)
{
    rig.terminal.setColor(LogColors::Yellow);
    feed(QByteArray("ab\0cd\r\n", 7));
    EXPECT_EQ(rig.terminal.text(), QString("abcd\r\n"));
    EXPECT_EQ(rig.terminal.pieces().last().color, LogColors::White);
    EXPECT_TRUE(left().isEmpty());
}

TEST_F(Dispatcher, UnknownModeConsumesBytesWithoutLooping)
{
    rig.rx().RxMode = 7;
    feed("abc");
    EXPECT_TRUE(left().isEmpty());
    EXPECT_TRUE(rig.terminal.text().isEmpty());
}

TEST_F(Dispatcher, TheTerminalTakesOneBatchPerEventWhileTextKeepsComing)
{
    // A board that sends faster than the window shows: more has come by the time a batch is
    // read. The terminal takes what waited and gives the event loop back; the rest comes with
    // the next event (before, it read on for as long as text kept coming).
    rig.rx().RxMode = RxTerminal;
    int reads = 0;
    rig.stub->afterRead = [&] {
        ++reads;
        rig.stub->input.append("line " + QByteArray::number(reads + 1) + "\r\n");
    };
    rig.stub->input = "line 1\r\n";
    rig.rx().ComPortRxChar(int(rig.stub->input.size()));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(rig.terminal.text(), "line 1\r\n");
    EXPECT_EQ(left(), "line 2\r\n");
    rig.stub->afterRead = nullptr;
}
