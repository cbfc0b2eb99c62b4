#include "DebugPoller.h"
#include "SampleCsv.h"
#include "SampleRing.h"
#include "SimRig.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

DebugSample at(qint64 ms, std::uint8_t bit = 0, std::uint8_t word = 0)
{
    DebugSample s;
    s.ms = ms;
    s.bits[0] = {true, true, bit, 1};
    s.words[0] = {true, true, word, 4660};
    return s;
}

} // namespace

TEST(SampleRing, KeepsTheNewestInOrderAndFindsATime)
{
    SampleRing ring(4);
    for (qint64 t = 1; t <= 6; ++t)
        ring.push(at(t * 100));
    // Full at four: 100 and 200 gave way, the oldest kept comes first.
    ASSERT_EQ(ring.size(), 4u);
    EXPECT_EQ(ring.dropped(), 2u);
    std::vector<qint64> times;
    for (std::size_t i = 0; i < ring.size(); ++i)
        times.push_back(ring.at(i).ms);
    EXPECT_EQ(times, (std::vector<qint64>{300, 400, 500, 600}));
    EXPECT_EQ(ring.firstAtOrAfter(0), 0u);
    EXPECT_EQ(ring.firstAtOrAfter(450), 2u);
    EXPECT_EQ(ring.firstAtOrAfter(500), 2u);
    EXPECT_EQ(ring.firstAtOrAfter(601), 4u);
    // The window's ring holds ten hours of the 100 ms poll in bounded memory.
    EXPECT_EQ(SampleRing::Capacity, 360000u);
    EXPECT_LE(SampleRing::Capacity * sizeof(DebugSample), 24u << 20);
}

TEST(SampleCsv, HeaderAndRowsWithHexBytesAndEmptyCells)
{
    SampleRing ring;
    DebugSample a = at(QDateTime(QDate(2026, 3, 1), QTime(14, 5, 9, 7), Qt::UTC).toMSecsSinceEpoch(), 13, 10);
    a.hasIO = true;
    a.inputs = 0x05;
    a.buttons = 0x0A;
    a.outputs = 0x3F;
    DebugSample b = a;
    b.ms += 100;
    b.status = DebugSample::Status::Refused;
    b.hasIO = false;
    b.bits[0].valid = false;
    b.words[1] = {true, true, 255, 65535}; // a signal asked for later gets a column of its own
    ring.push(a);
    ring.push(b);
    const SampleCsv csv = SampleCsv::forRing(ring);
    EXPECT_EQ(csv.header(), "time,status,inputs,buttons,outputs,bit 13,word 10,word 255");
    const QString time = SampleCsv::timeText(a.ms);
    // Local time with its offset: the same moment as written in UTC.
    EXPECT_EQ(QDateTime::fromString(time, Qt::ISODateWithMs).toUTC(), QDateTime::fromMSecsSinceEpoch(a.ms).toUTC());
    EXPECT_TRUE(time.contains(".007")) << time.toStdString();
    EXPECT_EQ(csv.row(a), time + ",ok,0x05,0x0A,0x3F,1,4660,");
    EXPECT_EQ(csv.row(b).section(',', 1), "refused,,,,,4660,65535");
    EXPECT_EQ(SampleCsv::statusText(DebugSample::Status::NoAnswer), "no answer");
}

TEST(PollCycle, PacedCycleEndsAtASilentBoardInTime)
{
    SimRig rig;
    rig.board.animate = false;
    rig.board.inputs = 0x05;
    rig.board.ram()[SimBoard::WordVariablesAt + 2 * 10] = 0x34;
    rig.board.ram()[SimBoard::WordVariablesAt + 2 * 10 + 1] = 0x12;
    DebugPoller poller(rig.link);
    poller.setActive(true);
    poller.setPace(100);
    const DebugPoller::Texts bits{"13", "", "", "", ""};
    const DebugPoller::Texts words{"10", "", "", "", ""};
    const DebugSample ok = poller.PollCycle(bits, words);
    EXPECT_EQ(ok.status, DebugSample::Status::Ok);
    EXPECT_TRUE(ok.hasIO);
    EXPECT_EQ(ok.inputs, 0x05);
    EXPECT_TRUE(ok.bits[0].used && ok.bits[0].valid);
    EXPECT_EQ(ok.words[0].value, 4660);

    // A refusal leaves the value out and the cycle reads on.
    rig.board.faults().refuseAll = true;
    rig.board.faults().onlyCodes = {0x53};
    const DebugSample refused = poller.PollCycle(bits, words);
    EXPECT_EQ(refused.status, DebugSample::Status::Refused);
    EXPECT_FALSE(refused.bits[0].valid);
    EXPECT_TRUE(refused.words[0].valid);

    // A silent board ends the cycle after its first telegram, within the pace.
    rig.board.faults() = {};
    rig.board.faults().silent = true;
    const qsizetype before = rig.board.telegramLog().size();
    QElapsedTimer clock;
    clock.start();
    const DebugSample silent = poller.PollCycle(bits, words);
    EXPECT_LT(clock.elapsed(), 400);
    EXPECT_EQ(silent.status, DebugSample::Status::NoAnswer);
    EXPECT_EQ(rig.board.telegramLog().size(), before + 1);
    EXPECT_FALSE(silent.hasIO || silent.bits[0].used || silent.words[0].used);
}
