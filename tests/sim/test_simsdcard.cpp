// The SD card of the simulated CPU board through its telegrams: one open file at a time, parts
// of up to 30 bytes, the refusals, and a card kept in a folder on the PC.
#include "SimBoard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CardBoard : ::testing::Test {
    SimBoard board;
    QByteArray sent;

    CardBoard()
    {
        board.animate = false;
        board.setKind(1);
        QObject::connect(&board, &SimBoard::transmit, [this](const QByteArray& b) { sent += b; });
    }
    QByteArray ask(const QByteArray& request)
    {
        sent.clear();
        board.receive(request + '\r');
        return sent.trimmed();
    }
};

QByteArray openText(const char* code, const QByteArray& name)
{
    return ":aa" + QByteArray::number(name.size() + 1, 16).rightJustified(2, '0') + code + name.toHex() + "a5";
}

} // namespace

TEST_F(CardBoard, WrittenFilesAreReadBackInPartsOfThirty)
{
    EXPECT_EQ(ask(openText("70", "t.txt")), ":aa0120a5");
    EXPECT_EQ(ask(":aa1F71" + QByteArray(30, 'a').toHex() + "a5"), ":aa0120a5");
    EXPECT_EQ(ask(":aa0571" + QByteArray("bcd\n").toHex() + "a5"), ":aa0120a5");
    EXPECT_FALSE(board.sdCard().contains("t.txt")); // stored when closed
    EXPECT_EQ(ask(":aa0174a5"), ":aa0120a5");
    EXPECT_EQ(board.sdCard().file("t.txt"), QByteArray(30, 'a') + "bcd\n");

    EXPECT_EQ(ask(openText("72", "t.txt")), ":aa0120a5");
    EXPECT_EQ(ask(":aa0173a5"), ":aa1f73" + QByteArray(30, 'a').toHex() + "a5");
    EXPECT_EQ(ask(":aa0173a5"), ":aa0573" + QByteArray("bcd\n").toHex() + "a5");
    EXPECT_EQ(ask(":aa0173a5"), ":aa0173a5"); // the end, again and again
    EXPECT_EQ(ask(":aa0173a5"), ":aa0173a5");
    EXPECT_EQ(ask(":aa0174a5"), ":aa0120a5");

    // Opening for writing empties a file.
    EXPECT_EQ(ask(openText("70", "t.txt")), ":aa0120a5");
    EXPECT_EQ(ask(":aa0174a5"), ":aa0120a5");
    EXPECT_EQ(board.sdCard().file("t.txt"), "");
}

TEST_F(CardBoard, Refusals)
{
    board.sdCard().putFile("a", "x");
    EXPECT_EQ(ask(openText("72", "missing")), ":aa0121a5");
    EXPECT_EQ(ask(":aa0173a5"), ":aa0121a5");   // nothing open for reading
    EXPECT_EQ(ask(":aa027141a5"), ":aa0121a5"); // nothing open for writing
    EXPECT_EQ(ask(":aa0174a5"), ":aa0122a5");   // nothing to close
    for (const QByteArray& name : {QByteArray("../a"), QByteArray("d/a"), QByteArray(".."), QByteArray("a\tb")})
        EXPECT_EQ(ask(openText("70", name)), ":aa0121a5") << name.constData();
    EXPECT_EQ(ask(":aa0170a5"), ":aa0121a5"); // no name at all

    // A second open closes the file left open, keeping what was written to it.
    EXPECT_EQ(ask(openText("70", "b")), ":aa0120a5");
    EXPECT_EQ(ask(":aa0371410aa5"), ":aa0120a5");
    EXPECT_EQ(ask(openText("72", "a")), ":aa0120a5");
    EXPECT_EQ(board.sdCard().file("b"), "A\n");
    EXPECT_EQ(ask(":aa027141a5"), ":aa0121a5"); // open for reading, not writing
    EXPECT_EQ(ask(":aa0174a5"), ":aa0120a5");

    board.sdCard().setPresent(false);
    EXPECT_EQ(ask(openText("72", "a")), ":aa0121a5");
    EXPECT_EQ(ask(openText("70", "a")), ":aa0121a5");
    EXPECT_EQ(ask(":aa0174a5"), ":aa0122a5");
}

TEST_F(CardBoard, TheResetTelegramClosesTheFileAndCountsAWatchdogReset)
{
    const auto watchdog = board.resetCount(SimBoard::ResetCause::Watchdog);
    const auto powerOn = board.resetCount(SimBoard::ResetCause::PowerOn);
    EXPECT_EQ(ask(openText("70", "r.txt")), ":aa0120a5");
    EXPECT_EQ(ask(":aa0371410aa5"), ":aa0120a5");
    (void)ask(":aa0110a5");
    EXPECT_FALSE(board.sdCard().fileOpen());
    EXPECT_EQ(board.sdCard().file("r.txt"), "A\n");
    EXPECT_EQ(board.resetCount(SimBoard::ResetCause::Watchdog), watchdog + 1);
    EXPECT_EQ(board.resetCount(SimBoard::ResetCause::PowerOn), powerOn);
    board.setKind(1); // switched on anew
    EXPECT_EQ(board.resetCount(SimBoard::ResetCause::PowerOn), 0x18);
}

TEST(SimSdCardFolder, FilesLiveInTheFolderAndAreWrittenWhole)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("card");
    SimSdCard card;
    ASSERT_TRUE(card.useFolder(folder));
    EXPECT_TRUE(QDir(folder).exists());

    QFile put(folder + "/in.txt");
    ASSERT_TRUE(put.open(QIODevice::WriteOnly));
    put.write("from the PC\n");
    put.close();
    EXPECT_TRUE(card.contains("in.txt"));
    EXPECT_EQ(card.execute(0x72, "in.txt"), QByteArray(1, 0x20));
    EXPECT_EQ(card.execute(0x73, {}), "\x73"
                                      "from the PC\n");
    EXPECT_EQ(card.execute(0x74, {}), QByteArray(1, 0x20));

    EXPECT_EQ(card.execute(0x70, "\xE4.txt"), QByteArray(1, 0x20));
    EXPECT_EQ(card.execute(0x71, "abc\n"), QByteArray(1, 0x20));
    EXPECT_FALSE(QFile::exists(folder + QString::fromUtf8("/ä.txt")));
    EXPECT_EQ(card.execute(0x74, {}), QByteArray(1, 0x20));
    QFile out(folder + QString::fromUtf8("/ä.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), "abc\n");

    // A folder that went away: the close says so.
    EXPECT_EQ(card.execute(0x70, "lost.txt"), QByteArray(1, 0x20));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_EQ(card.execute(0x74, {}), QByteArray(1, 0x22));

    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QString error;
    EXPECT_FALSE(card.useFolder(dir.filePath("plain/card"), &error));
    EXPECT_TRUE(error.contains("plain/card"));
}
