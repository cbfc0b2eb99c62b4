// The example files in examples/ that the user guide offers: they read cleanly and go through
// both downloads on the simulated board, on every board size the tool knows.
#include "Bootloader.h"
#include "ByteCodeDownload.h"
#include "ByteCodeReader.h"
#include "FirmwareDownload.h"
#include "IntelHexReader.h"
#include "SimRig.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString Firmware = QStringLiteral(VELMAR_SOURCE_DIR "/examples/demo-firmware.hex");
const QString Program = QStringLiteral(VELMAR_SOURCE_DIR "/examples/demo-program.vlb");

using Bytes = std::vector<std::uint8_t>;

Bytes programBytes()
{
    return {0x56, 0x4C, 0x01, 0x00, 0x03, 0x10, 0x00, 0x00, 0x21, 0x00, 0x01, 0x40, 0x00, 0x00, 0x10, 0x00, 0x02, 0x32,
            0x00, 0x03, 0x40, 0x00, 0x01, 0x60, 0x01, 0xF4, 0x70, '"',  't',  'i',  'c',  'k',  '"',  0x0D, 0xFF, 0xFF};
}

struct Board {
    SimRig rig;
    Bootloader boot{rig.link, rig.terminal};

    Board(std::uint32_t areaEnd, std::uint16_t blockSize)
    {
        rig.board.setFlashAreaEnd(areaEnd);
        rig.board.setBlockSize(blockSize);
    }
};

} // namespace

TEST(Examples, TheFirmwareImageIsSmallAndHoldsItsBanner)
{
    RecordingLog log;
    IntelHexReader reader(log);
    Bytes image;
    std::uint32_t length = 0;
    ASSERT_TRUE(reader.ReadIntelHex(Firmware, image, length, FirmwareDownload::FirmwareImageSize));
    EXPECT_TRUE(log.text().isEmpty()) << log.text().toStdString();
    EXPECT_EQ(length, 0x840u);
    // A jump table, the banner, and a block of its own behind a gap of erased flash.
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), Bytes({0x0C, 0x94, 0x40, 0x00}));
    const QByteArray banner(reinterpret_cast<const char*>(image.data()) + 0x80);
    EXPECT_EQ(banner, "Velmar example firmware 1.0");
    EXPECT_TRUE(std::all_of(image.begin() + 0x100, image.begin() + 0x800, [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(image[0x800], 0xA5);
    EXPECT_EQ(image[0x83F], 0xA5 ^ 0x3F);
}

TEST(Examples, TheProgramReadsWithoutAFaultyLine)
{
    ByteCodeReader reader;
    Bytes image;
    std::uint32_t length = 0;
    ASSERT_TRUE(reader.ReadByteCodeFile(Program, image, length, ByteCodeDownload::ByteCodeImageSize));
    EXPECT_EQ(reader.firstFaultyLine(), 0);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + length), programBytes());
}

TEST(Examples, BothDownloadsPassOnEveryBoardSize)
{
    RecordingLog log;
    Bytes image;
    std::uint32_t length = 0;
    ASSERT_TRUE(IntelHexReader(log).ReadIntelHex(Firmware, image, length, FirmwareDownload::FirmwareImageSize));

    struct Case {
        std::uint32_t areaEnd;
        std::uint16_t blockSize;
    };
    for (const Case c : {Case{0xF000, 128}, Case{0x1D000, 256}, Case{0x1F000, 256}}) {
        SCOPED_TRACE(c.areaEnd);
        Board b(c.areaEnd, c.blockSize);
        std::fill(b.rig.board.flash().begin(), b.rig.board.flash().end(), 0x00);
        FirmwareDownload firmware(b.boot);
        ASSERT_TRUE(firmware.Run(Firmware)) << b.rig.terminal.text().toStdString();
        const auto& flash = b.rig.board.flash();
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + length, flash.begin()));
        EXPECT_FALSE(b.rig.board.inBootloader());

        ByteCodeDownload awl(b.boot);
        ASSERT_TRUE(awl.LoadByteCode(Program)) << b.rig.terminal.text().toStdString();
        const Bytes program = programBytes();
        EXPECT_TRUE(std::equal(program.begin(), program.end(), flash.begin() + c.areaEnd));
        EXPECT_EQ(flash[c.areaEnd + program.size()], 0xFF);
        // The firmware is still there in front of the program.
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + length, flash.begin()));
        EXPECT_FALSE(b.rig.board.inBootloader());
    }
}
