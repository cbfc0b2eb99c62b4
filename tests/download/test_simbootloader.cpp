#include "Bootloader.h"
#include "LinePacer.h"
#include "SimRig.h"
#include "WaitUntil.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

// The simulated board's side of the bootloader dialogue, as the downloads rely on it.

TEST(SimBootloader, BlockDataThatLooksLikeTheResetTelegramIsWritten)
{
    SimRig rig;
    Bootloader boot(rig.link, rig.terminal);
    ASSERT_TRUE(boot.EnterBootloader());
    const QByteArray text = "\r:aa0110a5\r";
    boot.FlashImage.assign(text.begin(), text.end());
    boot.ImageLength = std::uint32_t(text.size());
    ASSERT_TRUE(boot.SelectAddress(0x100));
    ASSERT_TRUE(boot.FlashPass(0, boot.ImageLength, 16));
    EXPECT_TRUE(rig.board.inBootloader());
    ASSERT_TRUE(boot.SelectAddress(0x100));
    EXPECT_TRUE(boot.VerifyPass(0, boot.ImageLength, 16));
    EXPECT_FALSE(rig.terminal.text().contains("Fehler bei Adresse"));
    EXPECT_TRUE(std::equal(text.begin(), text.end(), rig.board.flash().begin() + 0x100));
}

TEST(SimBootloader, FirmwareAreasAndTheirAwlArea)
{
    SimRig rig;
    Bootloader boot(rig.link, rig.terminal);
    boot.PrepareQueries();
    for (std::uint32_t end : {0x1800u, 0x3800u, 0xF000u, 0x1F000u, 0x1D000u, 0x12345u}) {
        rig.board.setFlashAreaEnd(end);
        ASSERT_TRUE(boot.EnterBootloader());
        std::uint32_t answer = 0;
        ASSERT_TRUE(boot.QueryLongWord("X", answer, 1000));
        EXPECT_EQ(answer, end);
        // Room for the byte code behind the firmware.
        EXPECT_GE(rig.board.flash().size(), end + 2046);
        ASSERT_TRUE(boot.SendBootCommand("E", 1000));
        EXPECT_FALSE(rig.board.inBootloader());
    }
}

TEST(SimBootloader, PacingNeverHandsOnAByteBeforeItsLastBit)
{
    // At 5760 bytes per second byte k is through the line k / 5760 s after the first bit went.
    for (const int size : {1, 27, 307}) {
        SCOPED_TRACE(size);
        qint64 got = 0;
        qint64 early = 0; // the most any byte came before its time, in ns
        QElapsedTimer t;
        LinePacer pacer([&](const QByteArray& b) {
            got += b.size();
            early = std::max(early, got * 1000000000 / LinePacer::LineBytesPerSecond - t.nsecsElapsed());
        });
        pacer.setPaced(true);
        t.start();
        pacer.push(QByteArray(size, 'x'));
        ASSERT_TRUE(WaitUntil([&] { return got == size; }, 2000));
        EXPECT_LE(early, 0) << "a byte came " << early << " ns early";
    }
}

TEST(SimBootloader, PacingKeepsToTheLineRate)
{
    QByteArray got;
    QElapsedTimer t;
    LinePacer pacer([&](const QByteArray& b) { got += b; });
    pacer.setPaced(true);
    t.start();
    pacer.push(QByteArray(576, 'x')); // 100 ms at 5760 bytes per second
    ASSERT_TRUE(WaitUntil([&] { return got.size() == 576; }, 2000));
    EXPECT_GE(t.elapsed(), 99);
    EXPECT_LE(t.elapsed(), 115);
    // Bytes that follow at once queue behind the first ones.
    got.clear();
    t.restart();
    pacer.push(QByteArray(288, 'y'));
    pacer.push(QByteArray(288, 'z'));
    ASSERT_TRUE(WaitUntil([&] { return got.size() == 576; }, 2000));
    EXPECT_GE(t.elapsed(), 99);
}
