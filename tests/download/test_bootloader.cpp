#include "Bootloader.h"
#include "HexFiles.h"
#include "SimRig.h"
#include "StubRig.h"

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
        r.boot.setProgress([&](const TransferProgress& p) { seen.push_back(p); });
        ASSERT_TRUE(r.flash());
        EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), c.blocks);
        const auto& flash = r.rig.board.flash();
        EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + c.length, r.boot.FlashImage.begin()));
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
}

TEST(Bootloader, DifferenceInTheFillIsReportedButPasses)
{
    BootRig r(256, 0x100 + 10);
    ASSERT_TRUE(r.flash());
    r.rig.board.faults().corruptReadbackAt = 0x100 + 20;
    r.rig.terminal.clear();
    EXPECT_TRUE(r.verify());
    EXPECT_TRUE(r.rig.terminal.text().contains(" Fehler bei Adresse: soll [$0114] $FF    ist: [$0014] $A5"));
}

TEST(Bootloader, FillBehindTheImageSizeComparesAsErased)
{
    BootRig r(256, 300);
    r.boot.FlashImage.resize(300); // the image ends inside the last block
    r.boot.ImageSize = 300;
    ASSERT_TRUE(r.flash());
    EXPECT_TRUE(r.verify());
}

TEST(Bootloader, MissingAcknowledgement)
{
    {
        BootRig r(128, 300);
        r.rig.board.faults().dropAckOfBlock = 1;
        EXPECT_FALSE(r.flash());
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
    for (std::uint16_t size : {std::uint16_t(0), std::uint16_t(1025)}) {
        StubRig s;
        Bootloader boot(s.link, s.terminal);
        boot.FlashImage.assign(100, 0x11);
        boot.ImageLength = 100;
        EXPECT_FALSE(boot.FlashPass(0, 100, size));
        EXPECT_FALSE(boot.VerifyPass(0, 100, size));
        EXPECT_EQ(s.stub->written, QByteArray());
        EXPECT_EQ(s.terminal.lines().value(2),
                  QStringLiteral("error: block size %1 not usable (1 to 1024 bytes), nothing written")
                      .arg(size ? "$0401" : "$0000"));
    }
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
        if (c.ok)
            EXPECT_EQ(value, c.value);
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

TEST(Bootloader, SignOnEndsTheSyncAfterOneMoreCycle)
{
    StubRig s;
    Bootloader boot(s.link, s.terminal);
    QTimer::singleShot(600, [&] { s.stub->feed("VL"); });
    QTimer::singleShot(700, [&] { s.stub->feed("MR Bootloader\r\n"); });
    EXPECT_TRUE(boot.EnterBootloader());
    const QByteArray sync("\x1B\xAA");
    // Cycles at 0, 250, 500 and 750 ms; the sign-on is complete in the one at 500 ms.
    EXPECT_EQ(s.stub->written, "\r:aa0110a5\r" + sync.repeated(4));
    EXPECT_EQ(s.terminal.text(), "....");
    EXPECT_EQ(s.rx().RxMode, RxSignOn);
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
    EXPECT_FALSE(boot.VerifyBlock(position, 8));
    EXPECT_EQ(s.stub->written, QByteArray("g\x00\x08"
                                          "F",
                                          4));
    EXPECT_EQ(s.terminal.lines(), QStringList({" timeout", "RxIndex: $0005", "RxBlockSize: $0008"}));
    EXPECT_EQ(position, 0u);

    s.terminal.clear();
    s.stub->written.clear();
    EXPECT_FALSE(boot.SelectAddress(0x0001F000));
    EXPECT_EQ(s.stub->written, QByteArray("A\x00\x01\xF0\x00", 5));
    EXPECT_EQ(s.terminal.text(), "select adress: $0001F000timeout");
}
