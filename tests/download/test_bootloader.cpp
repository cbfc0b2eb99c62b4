#include "Bootloader.h"
#include "HexFiles.h"
#include "HexText.h"
#include "SimRig.h"
#include "StubRig.h"
#include "TransferProgressTracker.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A board already in its bootloader, with the image to write.
struct BootRig {
    SimRig rig;
    Bootloader boot{rig.link, rig.terminal};

    explicit BootRig(std::uint16_t blockSize, std::size_t imageLength)
    {
        rig.board.setBlockSize(blockSize);
        // Flash that is not erased shows whether the fill was written.
        std::fill(rig.board.flash().begin(), rig.board.flash().end(), 0x00);
        boot.FlashImage = pattern(imageLength);
        boot.FlashImage.resize(16384, 0xFF);
        boot.ImageSize = 16384;
        boot.ImageLength = std::uint32_t(imageLength);
        boot.BlockSize = blockSize;
        EXPECT_TRUE(boot.EnterBootloader());
        rig.link.rx().RxMode = RxTerminal;
        rig.terminal.clear();
    }
    bool flash() { return boot.SelectAddress(0) && boot.FlashPass(0, boot.ImageLength, boot.BlockSize); }
    bool verify() { return boot.SelectAddress(0) && boot.VerifyPass(0, boot.ImageLength, boot.BlockSize); }
};

} // namespace

TEST(Bootloader, BlocksCoverTheImageAndAreFilledWithErasedBytes)
{
    struct Case {
        std::uint16_t blockSize;
        std::size_t length;
        int blocks;
    };
    for (const Case& c : {Case{256, 257, 2}, Case{256, 512, 2}, Case{128, 300, 3}}) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes in blocks of " << c.blockSize);
        BootRig r(c.blockSize, c.length);
        std::vector<TransferProgress> seen;
        TransferProgressTracker tracker([&](const TransferProgress& p) { seen.push_back(p); });
        r.boot.setObserver(&tracker);
        ASSERT_TRUE(r.flash());
        EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), c.blocks);
        const auto& flash = r.rig.board.flash();
        const auto written = pattern(c.length);
        EXPECT_TRUE(std::equal(written.begin(), written.end(), flash.begin()));
        const std::size_t end = std::size_t(c.blocks) * c.blockSize;
        EXPECT_TRUE(std::all_of(flash.begin() + c.length, flash.begin() + end, [](auto b) { return b == 0xFF; }));
        EXPECT_EQ(flash[end], 0x00); // nothing behind the last block
        ASSERT_TRUE(r.verify());
        EXPECT_EQ(r.rig.terminal.lines(),
                  QStringList({"select adress: $00000000", "flash device ", QString(c.blocks, '.'),
                               "select adress: $00000000", "verify device ", QString(c.blocks, '.')}));
        ASSERT_EQ(seen.size(), std::size_t(2 * c.blocks));
        EXPECT_EQ(seen.back().pass, TransferProgress::Pass::Verify);
        EXPECT_EQ(seen.back().block, c.blocks);
        EXPECT_EQ(seen.back().blocks, c.blocks);
        EXPECT_EQ(seen.back().permille(), 1000);
        EXPECT_EQ(seen[std::size_t(c.blocks) - 1].permille(), 500);
    }
}

TEST(Bootloader, VerifyNamesTheFirstDifferingByte)
{
    BootRig r(256, 0x200);
    r.boot.FlashImage[0x0123] = 0x0C;
    ASSERT_TRUE(r.flash());
    r.rig.board.faults().corruptReadbackAt = 0x0123; // read back as 0x0C ^ 0x5A
    r.rig.terminal.clear();
    EXPECT_FALSE(r.verify());
    EXPECT_EQ(r.rig.terminal.lines(), QStringList({"select adress: $00000000", "verify device ", ".",
                                                   " Fehler bei Adresse: soll [$0123] $0C    ist: [$0023] $56"}));
    // The pass that ended the job, and why.
    ASSERT_TRUE(r.boot.failure().has_value());
    EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::Refused);
    EXPECT_EQ(r.boot.failure()->step, "verify device");
    EXPECT_EQ(r.boot.failure()->detail, "Fehler bei Adresse: soll [$0123] $0C    ist: [$0023] $56");
}

TEST(Bootloader, DifferenceInTheFillIsReportedButPasses)
{
    BootRig r(256, 0x100 + 10);
    ASSERT_TRUE(r.flash());
    r.rig.board.faults().corruptReadbackAt = 0x100 + 20;
    r.rig.terminal.clear();
    EXPECT_TRUE(r.verify());
    EXPECT_TRUE(r.rig.terminal.text().contains(" Fehler bei Adresse: soll [$0114] $FF    ist: [$0014] $A5"));
    EXPECT_FALSE(r.boot.failure().has_value()); // a pass that reached the end did not fail
}

TEST(Bootloader, FillBehindTheImageSizeComparesAsErased)
{
    BootRig r(256, 300);
    r.boot.FlashImage.resize(300); // the image ends inside the last block
    r.boot.ImageSize = 300;
    ASSERT_TRUE(r.flash());
    EXPECT_TRUE(r.verify());
    // The fill behind the image reads back as the erased value it was written with.
    EXPECT_FALSE(r.rig.terminal.text().contains("Fehler bei Adresse")) << r.rig.terminal.text().toStdString();
}

TEST(Bootloader, MissingAcknowledgement)
{
    {
        BootRig r(128, 300);
        r.rig.board.faults().dropAckOfBlock = 1;
        // The block's wait runs its full 5000 ms, and not much longer.
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(r.flash());
        EXPECT_GE(t.elapsed(), 5000);
        EXPECT_LE(t.elapsed(), 5600);
        EXPECT_EQ(r.rig.terminal.lines().mid(1), QStringList({"flash device ", ".", "timeout"}));
        EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), 2);
    }
    {
        // The last block: its missing acknowledgement is logged, the pass reaches the end.
        BootRig r(128, 300);
        r.rig.board.faults().dropAckOfBlock = 2;
        EXPECT_TRUE(r.flash());
        EXPECT_EQ(r.rig.terminal.lines().mid(1), QStringList({"flash device ", "..", "timeout"}));
        EXPECT_TRUE(r.verify());
    }
}

TEST(Bootloader, ALineFeedFollowsTheHundredthDot)
{
    BootRig r(16, 16 * 103);
    ASSERT_TRUE(r.flash());
    EXPECT_EQ(r.rig.terminal.lines().mid(1), QStringList({"flash device ", QString(100, '.'), ".."}));
}

TEST(Bootloader, UnusableBlockSizesWriteNothing)
{
    for (const QByteArray& answer : {QByteArray("\x00\x00\r", 3), QByteArray("\x04\x01\r", 3)}) {
        StubRig s;
        Bootloader boot(s.link, s.terminal);
        boot.PrepareQueries();
        boot.FlashImage.assign(100, 0x11);
        boot.ImageLength = 100;
        s.stub->feed(answer);
        EXPECT_FALSE(boot.WriteAndVerify(0));
        EXPECT_EQ(s.stub->written, "b");
        EXPECT_EQ(s.terminal.lines(),
                  QStringList({"block size,  " + WordToHex(std::uint16_t((answer[0] << 8) | answer[1])),
                               QStringLiteral("error: block size %1 not usable (1 to 1024 bytes), nothing written")
                                   .arg(answer[0] ? "$0401" : "$0000")}));
    }
}

TEST(Bootloader, APassLeavesTheImageLengthAloneAndEndsWhereTheImageEnds)
{
    BootRig r(128, 300);
    // A pass over part of the image; an error that ends it leaves the length as it was.
    r.rig.port.Close();
    EXPECT_ANY_THROW(r.boot.FlashPass(0, 100, 128));
    EXPECT_EQ(r.boot.ImageLength, 300u);

    // An image shorter than the length asked for: the pass ends at the first block that carries
    // nothing of it, instead of sending such blocks without end.
    BootRig shortImage(128, 300);
    shortImage.boot.FlashImage.resize(200);
    EXPECT_FALSE(shortImage.boot.FlashPass(0, 300, 128));
    EXPECT_EQ(shortImage.rig.board.bootloader().blocksWritten(), 3);
}

TEST(Bootloader, QueryTakesTheBytesBeforeTheCarriageReturn)
{
    struct Case {
        QByteArray answer;
        bool ok;
        std::uint32_t value;
        QString log;
    };
    const Case longWords[] = {
        {QByteArray("Y\x00\x00\xF0\x00\r", 6), true, 0xF000, ""},
        {QByteArray("\x00\x01\xF0\x00\r", 5), true, 0x1F000, ""},
        {QByteArray("abcd\x12\x34\x56\x78\r", 9), true, 0x12345678, ""}, // fills the block
        {QByteArray("\xF0\x00\r", 3), false, 0, "Abbruch: zu wenig Zeichen empfangen"},
        {QByteArray("abcde\x12\x34\x56\x78\r", 10), false, 0, "Abbruch: zu viele Zeichen empfangen"},
        {QByteArray(300, 'x') + '\r', false, 0, "Abbruch: zu viele Zeichen empfangen"},
        // 260 bytes: the count's low byte (4) in element 0 does not point at the CR.
        {QByteArray(259, 'x') + '\r', false, 0, "Abbruch: zu viele Zeichen empfangen"},
    };
    for (const Case& c : longWords) {
        SCOPED_TRACE(c.answer.toHex().toStdString());
        StubRig s;
        Bootloader boot(s.link, s.terminal);
        boot.PrepareQueries();
        s.stub->feed(c.answer);
        std::uint32_t value = 99;
        EXPECT_EQ(boot.QueryLongWord("X", value, 500), c.ok);
        EXPECT_EQ(s.stub->written, "X");
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
        EXPECT_EQ(s.terminal.text(), c.log);
        EXPECT_EQ(s.rx().RxBlock.size(), 10u); // nothing written beyond it
    }
    StubRig s;
    Bootloader boot(s.link, s.terminal);
    boot.PrepareQueries();
    std::uint16_t size = 0;
    s.stub->feed(QByteArray("\x01\x00\r", 3));
    EXPECT_TRUE(boot.QueryWord("b", size, 500));
    EXPECT_EQ(size, 256);
    s.stub->feed(QByteArray("\x80\r", 2));
    EXPECT_FALSE(boot.QueryWord("b", size, 500));
    EXPECT_EQ(s.terminal.text(), "Abbruch: zu wenig Zeichen empfangen");
    s.terminal.clear();
    EXPECT_FALSE(boot.QueryWord("b", size, 50));
    EXPECT_EQ(s.terminal.text(), "timeout");
}

namespace {

// The sign-on of the board, fed into the stub in the middle of the sleep that follows a chosen
// sync pair; counts the pairs that went out.
struct SignOnRun {
    StubRig s;
    Bootloader boot{s.link, s.terminal};
    int pairs = 0;
    bool fed = false;
    QElapsedTimer sinceReset;

    // `afterPair` counts from 0; -1 feeds after the pair whose sleep ends the 3000 ms.
    explicit SignOnRun(int afterPair, const QByteArray& signOn = "VLMR Bootloader\r\n")
    {
        s.stub->onWrite = [this, afterPair, signOn](const QByteArray& bytes) {
            if (bytes.startsWith("\r:aa0110a5"))
                sinceReset.start();
            if (bytes != QByteArray("\x1B\xAA", 2))
                return;
            const bool last = afterPair < 0 && sinceReset.elapsed() > 2750;
            if ((pairs++ == afterPair || last) && !fed) {
                fed = true;
                QTimer::singleShot(125, [this, signOn] { s.stub->feed(signOn); });
            }
        };
    }
};

} // namespace

TEST(Bootloader, TheSignOnIsLookedAtOnlyBetweenTheSyncCycles)
{
    // Bytes that come during a cycle's sleep are taken in by the next cycle, which sends its
    // pair; one more cycle follows. So a sign-on after pair k means k + 3 pairs in all.
    for (const int afterPair : {0, 2, 5}) {
        SCOPED_TRACE(afterPair);
        SignOnRun r(afterPair);
        EXPECT_TRUE(r.boot.EnterBootloader());
        EXPECT_EQ(r.s.stub->written, "\r:aa0110a5\r" + QByteArray("\x1B\xAA", 2).repeated(afterPair + 3));
        EXPECT_EQ(r.s.terminal.text(), QString(afterPair + 3, '.'));
        EXPECT_EQ(r.s.rx().RxMode, RxSignOn);
    }
}

TEST(Bootloader, ASignOnDuringTheLastSleepIsNotTakenIn)
{
    SignOnRun r(-1, "VLMR");
    EXPECT_FALSE(r.boot.EnterBootloader());
    ASSERT_TRUE(r.fed);
    EXPECT_TRUE(r.s.terminal.text().endsWith(".\n Timeout ")) << r.s.terminal.text().toStdString();
    EXPECT_GE(r.pairs, 11);
    // It waits in the input queue for whoever looks at the line next.
    EXPECT_FALSE(r.s.rx().RxText.contains("VLMR"));
    EXPECT_EQ(r.s.stub->input, "VLMR");
}

TEST(Bootloader, WhatComesDuringThePauseAfterTheSignOnWaitsAndTheLogStaysGreen)
{
    SignOnRun r(0, "VLMR\r\n");
    r.s.terminal.setColor(LogColors::Green);
    // The pair of the cycle that takes the sign-on in is the second; its sleep and the one
    // after end 500 ms later, then the pause runs for 250 ms.
    r.s.stub->onWrite = [&r, inner = r.s.stub->onWrite](const QByteArray& bytes) {
        inner(bytes);
        if (bytes == QByteArray("\x1B\xAA", 2) && r.pairs == 3)
            QTimer::singleShot(250 + 125, [&r] { r.s.stub->feed("late text"); });
    };
    EXPECT_TRUE(r.boot.ContactBoard("connect Velmar "));
    EXPECT_EQ(r.s.terminal.text(), "connect Velmar ...");
    EXPECT_EQ(r.s.rx().RxMode, RxTerminal);
    EXPECT_EQ(r.s.stub->input, "late text");
    EXPECT_EQ(r.s.terminal.color(), LogColors::Green);
    for (const auto& piece : r.s.terminal.pieces())
        EXPECT_EQ(piece.color, LogColors::Green) << piece.text.toStdString();
}

TEST(Bootloader, LeavingWaitsForTheFirmwaresLine)
{
    StubRig s;
    Bootloader boot(s.link, s.terminal);
    s.stub->feed("running\r\n");
    EXPECT_TRUE(boot.SendBootCommand("E", 500));
    EXPECT_EQ(s.stub->written, "E");
    EXPECT_EQ(s.rx().RxText, "running\r\r");
    EXPECT_FALSE(boot.SendBootCommand("E", 50));
    EXPECT_EQ(s.terminal.text(), "timeout");
}

TEST(Bootloader, ShortBlockReadAndSilentAddressSelect)
{
    StubRig s;
    Bootloader boot(s.link, s.terminal);
    boot.FlashImage.assign(8, 0x00);
    boot.ImageLength = 8;
    std::uint32_t position = 0;
    s.stub->feed(QByteArray(5, '\0'));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(boot.VerifyBlock(position, 8));
    EXPECT_GE(t.elapsed(), 3000); // the block read waits 3000 ms
    EXPECT_LE(t.elapsed(), 3300);
    EXPECT_EQ(s.stub->written, QByteArray("g\x00\x08"
                                          "F",
                                          4));
    EXPECT_EQ(s.terminal.lines(), QStringList({" timeout", "RxIndex: $0005", "RxBlockSize: $0008"}));
    EXPECT_EQ(position, 0u);

    s.terminal.clear();
    s.stub->written.clear();
    t.start();
    EXPECT_FALSE(boot.SelectAddress(0x0001F000));
    EXPECT_GE(t.elapsed(), 1000); // the address select waits 1000 ms
    EXPECT_LE(t.elapsed(), 1300);
    EXPECT_EQ(s.stub->written, QByteArray("A\x00\x01\xF0\x00", 5));
    EXPECT_EQ(s.terminal.text(), "select adress: $0001F000timeout");
}

TEST(Bootloader, APassStopsBetweenTwoBlocksWhenCancelled)
{
    BootRig r(128, 1000); // eight blocks
    EXPECT_TRUE(r.boot.inBootloader());
    r.boot.cancelled = [&] { return r.rig.board.bootloader().blocksWritten() >= 3; };
    EXPECT_FALSE(r.flash());
    EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), 3);
    EXPECT_EQ(r.rig.terminal.lines().mid(1), QStringList({"flash device ", "...", "cancelled at block 4 of 8"}));
    ASSERT_TRUE(r.boot.failure().has_value());
    EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::Cancelled);
    EXPECT_EQ(r.boot.failure()->step, "flash device");
    // The board is still in its bootloader until it is told to leave.
    EXPECT_TRUE(r.boot.inBootloader());
    EXPECT_TRUE(r.boot.SendBootCommand("E", 5000));
    EXPECT_FALSE(r.boot.inBootloader());
    EXPECT_FALSE(r.rig.board.inBootloader());
}
