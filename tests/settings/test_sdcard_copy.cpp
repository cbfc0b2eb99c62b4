// Text files copied between the PC and the SD card of the simulated CPU board: the telegrams
// of each line, the log, the failure flag and its close rule, and what becomes of the PC file.
#include "EConvertError.h"
#include "FileBytes.h"
#include "ImpatientClicks.h"
#include "ScriptedBoard.h"
#include "SdCardCopy.h"
#include "SimRig.h"
#include "StepReporter.h"
#include "TestApplication.h"
#include "VelmarError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Card : ::testing::Test {
    SimRig rig;
    RecordingLog log;
    StepReporter steps{rig.link, log};
    SdCardCopy copy{steps};
    QTemporaryDir dir;

    Card() { rig.board.setKind(1); }
    SimSdCard& card() { return rig.board.sdCard(); }
    QString pc(const QString& name) const { return dir.filePath(name); }
    void putPc(const QString& name, const QByteArray& content)
    {
        QFile f(pc(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray pcFile(const QString& name) const { return FileBytes(pc(name)); }
    const QList<QByteArray>& sent() const { return rig.board.telegramLog(); }
    // The names in the PC folder (no temporary files left behind).
    QStringList pcFiles() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

QByteArray hex(const QByteArray& text) { return text.toHex().toUpper(); }

} // namespace

TEST_F(Card, DownloadSendsEachLineWithItsLineFeedAndSkipsEmptyLines)
{
    putPc("abc.txt", "ab\r\n\r\nc\r\n");
    const auto r = copy.download(pc("abc.txt"));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(sent(),
              (QList<QByteArray>{":aa0870" + hex("abc.txt") + "a5", ":aa047161620aa5", ":aa0371630aa5", ":aa0174a5"}));
    EXPECT_EQ(log.lines(), QStringList({"open file abc.txt  pass", "write file: ..", "close file:   pass"}));
    EXPECT_EQ(card().file("abc.txt"), "ab\nc\n");
}

TEST_F(Card, LongLinesGoInPartsOfThirty)
{
    const QByteArray a31(31, 'a'), b60(60, 'b'), c30(30, 'c');
    putPc("long.txt", a31 + "\n" + b60 + "\r" + c30); // a lone CR ends a line too, the last needs none
    ASSERT_TRUE(copy.download(pc("long.txt")).ok());
    EXPECT_EQ(sent().mid(1, 5),
              (QList<QByteArray>{":aa1F71" + hex(QByteArray(30, 'a')) + "a5", ":aa0371610aa5",
                                 ":aa1F71" + hex(QByteArray(30, 'b')) + "a5",
                                 ":aa2071" + hex(QByteArray(30, 'b')) + "0aa5", ":aa2071" + hex(c30) + "0aa5"}));
    EXPECT_EQ(log.lines()[1], "write file: .....");
    EXPECT_EQ(card().file("long.txt"), a31 + "\n" + b60 + "\n" + c30 + "\n");
}

TEST_F(Card, ARefusedPartSetsTheFlagTheRestStillGoesButNoClose)
{
    putPc("x.txt", "one\ntwo\nthree\n");
    rig.board.faults().refuseAll = true;
    rig.board.faults().onlyCodes = {0x71};
    const auto r = copy.download(pc("x.txt"));
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.failed);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(log.lines(), QStringList({"open file x.txt  pass", "write file:   fail  fail  fail"}));
    EXPECT_EQ(sent().size(), 4);
    EXPECT_TRUE(card().fileOpen()); // left open, as the board was told nothing else
    // The next copy's open closes that file first.
    rig.board.faults() = {};
    EXPECT_TRUE(copy.download(pc("x.txt")).ok());
}

TEST_F(Card, AnOpenThatIsNotTakenStopsAtOnce)
{
    card().setPresent(false);
    putPc("x.txt", "one\n");
    auto r = copy.download(pc("x.txt"));
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(log.lines(), QStringList({"open file x.txt  fail"}));
    r = copy.upload(pc("y.txt"));
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(sent().size(), 2);
    EXPECT_EQ(pcFiles(), QStringList{"x.txt"}); // the upload made no PC file

    card().setPresent(true);
    rig.board.faults().wrongStart = true;
    log.clear();
    (void)copy.download(pc("x.txt"));
    EXPECT_EQ(log.lines(), QStringList({"open file x.txt  timeout"}));
    EXPECT_EQ(sent().size(), 3);
}

TEST_F(Card, APcFileThatCannotBeReadIsNamedBeforeTheClose)
{
    const auto r = copy.download(pc("gone.txt"));
    EXPECT_FALSE(r.pcFileError.isEmpty());
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.closeCode, 0x20); // the card's file does not stay open
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "write file: ");
    EXPECT_EQ(lines[2], "cannot read " + QDir::toNativeSeparators(pc("gone.txt")) + ": " + r.pcFileError);
    EXPECT_EQ(lines[3], "close file:   pass");
    EXPECT_FALSE(card().fileOpen());
}

TEST_F(Card, NamesGoAsLatin1AndNamesTheCardCannotTakeAreNotSent)
{
    putPc(QString::fromUtf8("Grüße.txt"), "x\n");
    ASSERT_TRUE(copy.download(pc(QString::fromUtf8("Grüße.txt"))).ok());
    EXPECT_EQ(sent().first(), ":aa0A704772FCDF652E747874a5");
    EXPECT_TRUE(card().contains("Gr\xFC\xDF"
                                "e.txt"));

    log.clear();
    for (const QString& name : {QString(251, 'n') + ".txt", QString::fromUtf8("Ω.txt")}) {
        const auto r = copy.upload(pc(name));
        EXPECT_FALSE(r.opened);
        EXPECT_TRUE(r.failed);
    }
    EXPECT_EQ(sent().size(), 3);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[1].startsWith("file name not sent, the card takes up to 254 Latin-1 characters: "));
    EXPECT_TRUE(log.lines()[1].endsWith(QString::fromUtf8("Ω.txt")));

    // 254 characters is the longest name the length byte can count.
    const QString longest = QString(250, 'n') + ".txt";
    card().putFile(longest.toLatin1(), "end\n");
    ASSERT_TRUE(copy.upload(pc(longest)).ok());
    EXPECT_TRUE(sent()[3].startsWith(":aaFF72"));
}

TEST_F(Card, UploadWritesLinesWithCrLfAndKeepsAnUnendedLastLine)
{
    card().putFile("a.txt", "first\nsecond\r\nlast without end");
    const auto r = copy.upload(pc("a.txt"));
    EXPECT_TRUE(r.ok());
    // CR LF on the card gives an extra empty line.
    EXPECT_EQ(pcFile("a.txt"), "first\r\nsecond\r\n\r\nlast without end\r\n");
    EXPECT_EQ(log.lines(), QStringList({"open file a.txt  pass", "read file: ", "first", "second", "",
                                        "last without end", "close file:   pass"}));
    EXPECT_EQ(sent(), (QList<QByteArray>{":aa0672612E747874a5", ":aa0173a5", ":aa0173a5", ":aa0174a5"}));
    EXPECT_EQ(pcFiles(), QStringList{"a.txt"});
}

TEST_F(Card, UploadOfAnEmptyFileMakesAnEmptyPcFileAndReplacesAnOldOne)
{
    putPc("e.txt", "old contents\r\n");
    card().putFile("e.txt", "");
    EXPECT_TRUE(copy.upload(pc("e.txt")).ok());
    EXPECT_EQ(pcFile("e.txt"), "");
    EXPECT_EQ(log.lines(), QStringList({"open file e.txt  pass", "read file: ", "close file:   pass"}));
    EXPECT_EQ(sent().size(), 3);
}

TEST_F(Card, APcFileThatCannotBeCreatedIsAnErrorAndNoCloseGoesOut)
{
    card().putFile("a.txt", "x\n");
    const QString path = dir.filePath("no/such/folder/a.txt");
    try {
        (void)copy.upload(path);
        FAIL() << "no error";
    } catch (const VelmarError& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file \"" + QDir::toNativeSeparators(path) + "\". "))
            << e.message().toStdString();
        EXPECT_GT(e.message().size(), 24 + path.size());
    }
    EXPECT_EQ(sent().size(), 1);
    EXPECT_EQ(log.lines(), QStringList({"open file a.txt  pass", "read file: "}));
}

TEST_F(Card, RoundTripThroughTheCardGivesTheLinesBack)
{
    const QByteArray text = "Zeile 1\r\n" + QByteArray(75, 'x') + "\r\n\xE4\xF6\xFC\r\n;last\r\n";
    putPc("rt.txt", text);
    ASSERT_TRUE(copy.download(pc("rt.txt")).ok());
    QFile::remove(pc("rt.txt"));
    ASSERT_TRUE(copy.upload(pc("rt.txt")).ok());
    EXPECT_EQ(pcFile("rt.txt"), text);
}

TEST_F(Card, ClicksRefusedWhileAPartOrAReadWaitsStandAboveItsLine)
{
    // Every telegram of the copy waits a while, and the user clicks on meanwhile.
    rig.board.faults().answerDelayMs = 25;
    putPc("ab.txt", "ab\n\nc\n");
    {
        ImpatientClicks clicks(steps);
        ASSERT_TRUE(copy.download(pc("ab.txt")).ok());
        EXPECT_GE(clicks.refused(), 4);
    }
    // The dots and the close outcome still land behind their own lines.
    EXPECT_EQ(ImpatientClicks::withoutNotices(log.lines()),
              QStringList({"open file ab.txt  pass", "write file: ..", "close file:   pass"}));

    log.clear();
    QFile::remove(pc("ab.txt"));
    {
        ImpatientClicks clicks(steps);
        ASSERT_TRUE(copy.upload(pc("ab.txt")).ok());
        EXPECT_GE(clicks.refused(), 4);
    }
    EXPECT_EQ(ImpatientClicks::withoutNotices(log.lines()),
              QStringList({"open file ab.txt  pass", "read file: ", "ab", "c", "close file:   pass"}));
    EXPECT_EQ(pcFile("ab.txt"), "ab\r\nc\r\n");
    EXPECT_TRUE(rig.terminal.text().contains("line busy, refused: read"));
}

TEST(CardAnswers, ABoardAnsweringAckForEverStopsAfterSixAttempts)
{
    QTemporaryDir dir;
    int reads = 0;
    ScriptedBoard s([&reads](const QByteArray& request) -> QByteArray {
        if (request == ":aa0173a5")
            return ++reads == 1 ? ":aa05736F6B0D0Aa5\n" : ":aa0120a5\n";
        return ":aa0120a5\n";
    });
    SdCardCopy copy(s.steps);
    const auto r = copy.upload(dir.filePath("f.txt"));
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(s.requests.size(), 1 + 1 + 6); // open, one read with text, six that fail; no close
    EXPECT_EQ(s.log.lines().last(), "read file incomplete: f.txt, 4 bytes came, kept in " + dir.filePath("f.txt.part"));
    EXPECT_FALSE(QFile::exists(dir.filePath("f.txt")));
    EXPECT_EQ(FileBytes(dir.filePath("f.txt.part")), "ok\r\n\r\n"); // what was read is kept beside
}

TEST(CardAnswers, FailedAttemptsEndTheReadAndTheCloseStillGoesOut)
{
    QTemporaryDir dir;
    int reads = 0;
    ScriptedBoard s([&reads](const QByteArray& request) -> QByteArray {
        if (request != ":aa0173a5")
            return ":aa0120a5\n";
        switch (++reads) {
        case 1: return ":aa0121a5\n";
        case 2: return ":aa0473616263a5\n"; // resets the count
        case 3: return ":aa0120a4\n";       // no valid answer: a timeout
        default: return ":aa0152a5\n";
        }
    });
    SdCardCopy copy(s.steps);
    const auto r = copy.upload(dir.filePath("g.txt"));
    EXPECT_FALSE(r.failed);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.closeCode, 0x20);
    EXPECT_EQ(s.requests.size(), 1 + 2 + 6 + 1);
    // The texts go behind the last line added; "abc" has no line end, and no end of file came.
    EXPECT_EQ(s.log.lines(),
              QStringList({"open file g.txt  pass",
                           "read file: ungültiges Zeichen  timeout" + QString("ungültiges Zeichen").repeated(5),
                           "read file incomplete: g.txt, 3 bytes came, kept in " + dir.filePath("g.txt.part"),
                           "close file:   pass"}));
    EXPECT_EQ(FileBytes(dir.filePath("g.txt.part")), "abc");
}

TEST(CardAnswers, ACloseRefusedWith22FailsAnd21ShowsNothing)
{
    QTemporaryDir dir;
    QFile in(dir.filePath("in.txt"));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write("x\n");
    in.close();
    struct Case {
        const char* answer;
        const char* line;
    } cases[] = {{":aa0122a5\n", "close file:   fail"},
                 {":aa0121a5\n", "close file: "},
                 {":aa0120a4\n", "close file:   timeout"}};
    for (const auto& c : cases) {
        ScriptedBoard s([&c](const QByteArray& request) -> QByteArray {
            return request == ":aa0174a5" ? QByteArray(c.answer) : QByteArray(":aa0120a5\n");
        });
        const auto r = SdCardCopy(s.steps).download(in.fileName());
        EXPECT_FALSE(r.ok()) << c.answer;
        EXPECT_EQ(s.log.lines().last(), c.line);
    }
}

TEST(CardAnswers, AnAnswerThatDoesNotConvertEndsTheUploadButKeepsWhatWasRead)
{
    QTemporaryDir dir;
    int reads = 0;
    ScriptedBoard s([&reads](const QByteArray& request) -> QByteArray {
        if (request != ":aa0173a5")
            return ":aa0120a5\n";
        return ++reads == 1 ? ":aa0473616263a5\n" : ":aa0173zza5\n";
    });
    EXPECT_THROW((void)SdCardCopy(s.steps).upload(dir.filePath("h.txt")), EConvertError);
    EXPECT_EQ(FileBytes(dir.filePath("h.txt.part")), "abc");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"h.txt.part"});
}

TEST_F(Card, ACancelledDownloadSendsNoMoreTextButClosesTheCardFile)
{
    putPc("five.txt", "one\ntwo\nthree\nfour\nfive\n");
    copy.cancelled = [&] { return sent().size() >= 3; }; // the open and two lines
    const auto r = copy.download(pc("five.txt"));
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.closeCode, 0x20);
    EXPECT_FALSE(card().fileOpen());
    // Open, two lines, close: what was sent before the stop is on the card.
    EXPECT_EQ(sent().size(), 4);
    EXPECT_EQ(sent().last(), ":aa0174a5");
    EXPECT_EQ(card().file("five.txt"), "one\ntwo\n");
    ASSERT_TRUE(steps.failure().has_value());
    EXPECT_EQ(steps.failure()->kind, StepFailure::Kind::Cancelled);
    EXPECT_EQ(steps.failure()->step, "write file:");
}

TEST_F(Card, ACancelledUploadLeavesThePcFileAsItWasAndClosesTheCardFile)
{
    card().putFile("log.txt", QByteArray("line\n").repeated(40));
    putPc("old.txt", "kept\r\n");
    int reads = 0;
    copy.cancelled = [&] { return ++reads > 3; };
    const auto r = copy.upload(pc("old.txt"), "log.txt");
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.closeCode, 0x20);
    EXPECT_FALSE(card().fileOpen());
    EXPECT_EQ(sent().first(), ":aa0872" + hex("log.txt") + "a5"); // the card's name, not the PC's
    EXPECT_EQ(pcFile("old.txt"), "kept\r\n");
    EXPECT_EQ(pcFiles(), QStringList{"old.txt"});
}

TEST_F(Card, UploadTakesTheCardNameApartFromThePcName)
{
    card().putFile("DATA.TXT", "a\nb\n");
    const auto r = copy.upload(pc("copy.txt"), "DATA.TXT");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(pcFile("copy.txt"), "a\r\nb\r\n");
    EXPECT_FALSE(steps.failure().has_value());
}

TEST_F(Card, TheFailedStepOfACopyIsNamed)
{
    const auto missing = copy.upload(pc("none.txt"));
    EXPECT_FALSE(missing.opened);
    ASSERT_TRUE(steps.failure().has_value());
    EXPECT_EQ(steps.failure()->kind, StepFailure::Kind::Refused);
    EXPECT_EQ(steps.failure()->step, "open file none.txt");

    steps.clearFailure();
    rig.board.faults().refuseAll = true;
    rig.board.faults().onlyCodes = {0x71};
    putPc("x.txt", "x\n");
    EXPECT_FALSE(copy.download(pc("x.txt")).ok());
    EXPECT_EQ(steps.failure()->step, "write file:");
    EXPECT_EQ(steps.failure()->detail, "fail");
}

TEST_F(Card, APulledCableEndsEitherCopyWithOneErrorAndNoPieceOfALine)
{
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    // The cable goes after the sixth telegram of each copy.
    qsizetype unplugAt = 0;
    QObject::connect(&rig.board, &SimBoard::transmit, [&] {
        if (sent().size() == unplugAt)
            QTimer::singleShot(0, [&] { rig.backend->unplug(); });
    });

    TestApplication::errors().clear();
    putPc("down.txt", text);
    unplugAt = sent().size() + 6;
    const auto down = copy.download(pc("down.txt"));
    EXPECT_TRUE(down.failed);
    EXPECT_EQ(down.closeCode, 0);
    EXPECT_LT(card().file("down.txt").size(), text.size());
    // The port's own error, and not one more for each line that would have followed.
    EXPECT_EQ(TestApplication::errors(), QStringList{"COM Port Error: ReadFile function failed on " + rig.name});

    TestApplication::errors().clear();
    card().putFile("up.txt", text);
    card().reset(); // the file the cut download left open
    rig.port.Open();
    unplugAt = sent().size() + 6;
    const auto up = copy.upload(pc("up.txt"));
    EXPECT_TRUE(up.failed);
    EXPECT_EQ(TestApplication::errors(), QStringList{"COM Port Error: ReadFile function failed on " + rig.name});
    EXPECT_TRUE(up.incomplete);
    const QByteArray kept = pcFile("up.txt.part");
    EXPECT_TRUE(text.startsWith(QByteArray(kept).replace("\r\n", "\n"))) << kept.toStdString();
    EXPECT_EQ(pcFiles(), (QStringList{"down.txt", "up.txt.part"}));
}

TEST_F(Card, AnUploadThatStallsAfterOnePartKeepsTheOldPcFileAndIsNoPass)
{
    const QByteArray text = "erste Zeile mit dreissig Bytes\nzweite Zeile\nletzte ohne Ende";
    // After the first part the board refuses every read, or answers none validly.
    const std::pair<const char*, void (*)(SimFaults&)> stalls[] = {
        {"refused", [](SimFaults& f) { f.refuseAll = true; }},
        {"silent", [](SimFaults& f) { f.wrongEnd = true; }},
    };
    for (const auto& [name, stall] : stalls) {
        rig.board.faults() = {};
        card().putFile("w.txt", text);
        putPc("w.txt", "old\r\n");
        log.clear();
        QMetaObject::Connection c = QObject::connect(&rig.board, &SimBoard::transmit, [&, stall = stall] {
            if (sent().last() == ":aa0173a5") {
                rig.board.faults().onlyCodes = {0x73};
                stall(rig.board.faults());
            }
        });
        const auto r = copy.upload(pc("w.txt"));
        QObject::disconnect(c);
        EXPECT_FALSE(r.ok()) << name;
        EXPECT_TRUE(r.incomplete) << name;
        EXPECT_EQ(r.closeCode, 0x20) << name;
        EXPECT_EQ(pcFile("w.txt"), "old\r\n") << name;
        EXPECT_EQ(pcFile("w.txt.part"), "erste Zeile mit dreissig Bytes") << name;
        EXPECT_EQ(log.lines().mid(log.lines().size() - 2),
                  QStringList({"read file incomplete: w.txt, 30 bytes came, kept in " +
                                   QDir::toNativeSeparators(pc("w.txt.part")),
                               "close file:   pass"}))
            << name;
        ASSERT_TRUE(steps.failure().has_value());
        steps.clearFailure();
    }
}
