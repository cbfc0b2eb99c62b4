#include "CpuClock.h"
#include "EConvertError.h"
#include "LineRecorder.h"
#include "StubRig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Telegram : ::testing::Test {
    StubRig rig;

    // Sends `request`; the board answers `answer` after `delayMs` (no answer when null).
    std::uint8_t exchange(const QByteArray& answer, int delayMs = 1, const QString& request = ":aa0120a5\r")
    {
        if (!answer.isNull())
            QTimer::singleShot(delayMs, Qt::PreciseTimer, [this, answer] { rig.stub->feed(answer); });
        return rig.link.SendTelegram(request);
    }
    const AnswerBytes& buffer() { return rig.link.AnswerBuffer(); }
};

} // namespace

TEST_F(Telegram, DecodesAnAnswerIntoTheBuffer)
{
    EXPECT_EQ(exchange(":aa0120a5\n"), 0x20);
    EXPECT_EQ(buffer()[0], 1);
    EXPECT_EQ(rig.stub->written, QByteArray(":aa0120a5\r"));
    EXPECT_EQ(rig.link.rx().RxMode, RxAnswerLine); // the mode stays with the answer line

    EXPECT_EQ(exchange("noise x\r:aa02341Ba5\r\n", 1, ":aa023401a5\r"), 0x34);
    EXPECT_EQ(buffer()[0], 2);
    EXPECT_EQ(buffer()[2], 0x1B);
    EXPECT_EQ(exchange(":AA02341bA5\n"), 0x34);
    EXPECT_EQ(buffer()[2], 0x1B);

    AnswerBytes copy{};
    rig.link.GetAnswer(copy);
    EXPECT_EQ(copy, buffer());
}

TEST_F(Telegram, MalformedAnswersReturnZero)
{
    ASSERT_EQ(exchange(":aa02341Ba5\n"), 0x34);
    const AnswerBytes before = buffer();

    // Wrong start byte: nothing is stored.
    EXPECT_EQ(exchange(":ab0120a5\n"), 0);
    EXPECT_EQ(buffer(), before);
    // No colon at all.
    EXPECT_EQ(exchange("aa0120a5\n"), 0);
    EXPECT_EQ(buffer(), before);
    // Too long for the buffer: refused before anything is stored.
    EXPECT_EQ(exchange(":aa6534" + QByteArray(200, '0') + "a5\n"), 0);
    EXPECT_EQ(buffer(), before);
    // Wrong end byte: the length and data are already stored.
    EXPECT_EQ(exchange(":aa033477aaa4\n"), 0);
    EXPECT_EQ(buffer()[0], 3);
    EXPECT_EQ(buffer()[1], 0x34);
    EXPECT_EQ(buffer()[2], 0x77);
    // An empty answer carries no code.
    EXPECT_EQ(exchange(":aa00a5\n"), 0);
    EXPECT_EQ(buffer()[0], 0);
}

TEST_F(Telegram, AnswerDataHoldsOnlyTheBytesOfTheLastAnswer)
{
    const auto data = [this] {
        const auto d = rig.link.AnswerData();
        return std::vector<std::uint8_t>(d.begin(), d.end());
    };
    ASSERT_EQ(exchange(":aa0434010203a5\n"), 0x34);
    EXPECT_EQ(data(), (std::vector<std::uint8_t>{1, 2, 3}));
    // A short answer after a long one: the old bytes are still in the buffer, not in the data.
    ASSERT_EQ(exchange(":aa0134a5\n"), 0x34);
    EXPECT_EQ(buffer()[2], 1);
    EXPECT_TRUE(data().empty());
    ASSERT_EQ(exchange(":aa023409a5\n"), 0x34);
    EXPECT_EQ(data(), (std::vector<std::uint8_t>{9}));
    // No valid answer: no data, whatever was stored before the fault.
    EXPECT_EQ(exchange(":aa033477aaa4\n"), 0);
    EXPECT_TRUE(data().empty());
}

TEST_F(Telegram, AGroupThatIsNotHexIsAConversionError)
{
    // Only the first colon counts.
    EXPECT_THROW(exchange("x:y:aa0120a5\n"), EConvertError);
    try {
        exchange(":aa01zza5\n");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'$zz' is not a valid integer value");
    }
    // A short line takes in its own line end.
    try {
        exchange(":aa0120\n");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'$\r' is not a valid integer value");
    }
    EXPECT_EQ(rig.link.rx().AnswerComplete, 1);
}

TEST_F(Telegram, EchoShowsRequestAndAnswer)
{
    rig.link.SetTelegramEcho();
    exchange(":aa0120a5\n");
    ASSERT_GE(rig.terminal.pieces().size(), 2);
    const auto& p = rig.terminal.pieces();
    EXPECT_EQ(p[0].text, ":aa0120a5\r");
    EXPECT_EQ(p[0].color, LogColors::Yellow);
    EXPECT_EQ(p[1].text, ":aa0120a5\r");
    EXPECT_EQ(p[1].color, LogColors::White);
    rig.link.ClearTelegramEcho();
    rig.terminal.clear();
    exchange(":aa0120a5\n");
    EXPECT_TRUE(rig.terminal.text().isEmpty());
}

TEST_F(Telegram, AnswerJustBeforeTheTimeOutCounts)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(exchange(":aa0120a5\n", 4900), 0x20);
    EXPECT_GE(t.elapsed(), 4890);
    EXPECT_LT(t.elapsed(), 5000);
}

TEST_F(Telegram, SilentBoardTimesOutAfterFiveSecondsWithoutBurningCpu)
{
    rig.link.SetTelegramEcho();
    QElapsedTimer t;
    t.start();
    const double cpu = CpuSeconds();
    EXPECT_EQ(exchange(QByteArray()), 0);
    const qint64 ms = t.elapsed();
    EXPECT_GE(ms, 5000);
    EXPECT_LT(ms, 6000); // generous: a loaded machine may be late, never early
    EXPECT_LT(CpuSeconds() - cpu, 0.2);
    EXPECT_EQ(rig.terminal.lines().last(), "timeout\r");
}

TEST_F(Telegram, AnExchangeStartedDuringAWaitIsRefused)
{
    std::uint8_t nested = 0xEE;
    QByteArray writtenDuringNested;
    QTimer::singleShot(5, [&] {
        const qsizetype before = rig.stub->written.size();
        nested = rig.link.SendTelegram(":aa0152a5\r");
        writtenDuringNested = rig.stub->written.mid(before);
        rig.stub->feed(":aa0120a5\n");
    });
    EXPECT_TRUE(rig.link.busy() == false);
    EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);
    EXPECT_EQ(nested, 0);
    EXPECT_TRUE(writtenDuringNested.isEmpty());
    EXPECT_EQ(rig.stub->written, QByteArray(":aa0120a5\r"));
    EXPECT_TRUE(rig.terminal.text().contains("line busy, refused: telegram :aa0152a5"));
    EXPECT_FALSE(rig.link.busy());
}

TEST_F(Telegram, AHoldKeepsEveryoneOffTheLine)
{
    QList<bool> busyChanges;
    QObject::connect(&rig.link, &Link::busyChanged, [&](bool busy) { busyChanges << busy; });
    {
        Link::Hold choosing(rig.link);
        Link::Hold nested(rig.link);
        EXPECT_TRUE(rig.link.busy());
        EXPECT_TRUE(rig.link.refuseIfBusy("Download AWL"));
        EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0);
        EXPECT_TRUE(rig.stub->written.isEmpty());
    }
    EXPECT_FALSE(rig.link.busy());
    EXPECT_EQ(rig.terminal.lines(),
              QStringList({"line busy, refused: Download AWL", "line busy, refused: telegram :aa0120a5"}));
    EXPECT_EQ(busyChanges, QList<bool>({true, false}));
    EXPECT_FALSE(rig.link.refuseIfBusy("Download AWL"));
    EXPECT_EQ(exchange(":aa0120a5\n"), 0x20);
}

TEST_F(Telegram, ClosedPortEndsTheWaitAtOnce)
{
    QTimer::singleShot(20, [&] { rig.port.Close(); });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(exchange(QByteArray()), 0);
    EXPECT_LT(t.elapsed(), 1000);
}

// The recording of the line: what the board sent during a sleep carries the time the sleep
// began, so that a replay has it waiting when the tool looks again; the bytes read one by one
// make one chunk; and a recording reads back as it was written.
TEST(LineRecording, BytesThatCameDuringASleepCarryItsBeginning)
{
    StubRig rig;
    QTemporaryDir dir;
    LineRecorder recorder;
    ASSERT_TRUE(recorder.open(dir.filePath("line.txt"), "STUB", 57600));
    rig.port.SetRecorder(&recorder);
    rig.link.rx().RxMode = RxAnswerLine;
    rig.link.write(":aa0120a5\r");
    QTimer::singleShot(5, Qt::PreciseTimer, [&] { rig.stub->feed(":aa0120a5\n"); });
    rig.link.sleep(300);
    EXPECT_TRUE(rig.link.waitForAnswer(1000)); // the answer is taken in byte by byte
    rig.port.SetRecorder(nullptr);
    recorder.close();

    QFile file(dir.filePath("line.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<LineRecorder::Chunk> chunks;
    while (!file.atEnd()) {
        LineRecorder::Chunk chunk{-1, false, {}};
        ASSERT_TRUE(LineRecorder::parse(file.readLine(), chunk, nullptr));
        if (chunk.us >= 0)
            chunks.append(chunk);
    }
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_TRUE(chunks[0].out);
    EXPECT_EQ(chunks[1].bytes, QByteArray(":aa0120a5\n"));
    EXPECT_LT(chunks[1].us - chunks[0].us, 100000); // not 300 ms later, when it was read
}

TEST(LineRecording, ALineReadsBackOrSaysWhatIsWrong)
{
    const struct {
        QByteArray line;
        bool ok;
        qint64 us;
        QByteArray bytes;
    } cases[] = {
        {"12.000345 out 0D 3A FF\n", true, 12000345, QByteArray("\r:\xFF")},
        {"0.5 in 0a", true, 500000, "\n"},
        {"# a comment", true, -1, {}},
        {"", true, -1, {}},
        {"1.0 out", false, 0, {}},
        {"x.1 out 0D", false, 0, {}},
        {"1.0 both 0D", false, 0, {}},
        {"1.0 in D", false, 0, {}},
        {"1.0 in +D", false, 0, {}},
    };
    for (const auto& c : cases) {
        LineRecorder::Chunk chunk{-1, false, {}};
        QString error;
        EXPECT_EQ(LineRecorder::parse(c.line, chunk, &error), c.ok) << c.line.constData();
        if (c.ok) {
            EXPECT_EQ(chunk.us, c.us) << c.line.constData();
            EXPECT_EQ(chunk.bytes, c.bytes) << c.line.constData();
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
    EXPECT_EQ(LineRecorder::format({12000345, true, "\r:\xFF"}), QByteArray("12.000345 out 0D 3A FF\n"));
}
