#include "Bootloader.h"
#include "FirmwareDownload.h"
#include "HexFiles.h"
#include "SimRig.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct FirmwareRig {
    SimRig rig;
    Bootloader boot{rig.link, rig.terminal};
    FirmwareDownload download{boot};
    QTemporaryDir dir;
    QString file = dir.filePath("fw.hex");

    explicit FirmwareRig(std::uint32_t areaEnd = 0x1F000, std::uint16_t blockSize = 256)
    {
        rig.board.setFlashAreaEnd(areaEnd);
        rig.board.setBlockSize(blockSize);
    }
    bool run(const std::vector<std::uint8_t>& image)
    {
        writeFile(file, hexFile(image));
        return run(file);
    }
    bool run(const QString& name)
    {
        const bool ok = download.Run(name);
        EXPECT_EQ(rig.link.rx().RxMode, RxTerminal);
        EXPECT_EQ(rig.terminal.color(), LogColors::White);
        return ok;
    }
    QStringList lines() const { return rig.terminal.lines(); }
    bool logged(const QString& line) const { return lines().contains(line); }
};

// Sync dots vary with timing; they are checked apart.
QStringList withoutDots(QStringList lines)
{
    for (QString& l : lines)
        if (l.startsWith("connect Velmar ") && l.mid(15).count('.') == l.size() - 15)
            l = "connect Velmar ";
    return lines;
}

} // namespace

TEST(FirmwareDownload, WritesVerifiesAndStartsTheFirmware)
{
    FirmwareRig r;
    const auto image = pattern(700);
    ASSERT_TRUE(r.run(image));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), r.rig.board.flash().begin()));
    EXPECT_FALSE(r.rig.board.inBootloader());
    EXPECT_FALSE(r.boot.failure().has_value());
    EXPECT_FALSE(r.boot.inBootloader());
    EXPECT_EQ(withoutDots(r.lines()),
              QStringList({"", "load file size, 700 bytes", "connect Velmar ", "last memory,  $0001EFFF",
                           "flash memory 128k, awl 2k, $00000 to $0001F000", "block size,  $0100",
                           "select adress: $00000000", "flash device ", "...", "select adress: $00000000",
                           "verify device ", "...", "bootloader exit ", "execute SPS program ", "", ""}));
    // Three sync cycles at most: the one that sees the sign-on and one more.
    const QString sync = r.lines()[2].mid(15);
    EXPECT_GE(sync.size(), 2);
    EXPECT_LE(sync.size(), 3);
    // Everything up to the closing line is green.
    for (const auto& piece : r.rig.terminal.pieces().mid(0, r.rig.terminal.pieces().size() - 1))
        EXPECT_EQ(piece.color, LogColors::Green) << piece.text.toStdString();
}

TEST(FirmwareDownload, MemoryTableLimitsTheImage)
{
    struct Case {
        std::uint32_t areaEnd;
        std::size_t length;
        QString line;
        bool fits;
    };
    const Case cases[] = {
        {0x1800, 0x1800, "flash memory: (ATmega88), $0000 to $00001800", true},
        {0x1800, 0x1801, "flash memory: (ATmega88), $0000 to $00001800", false},
        {0x3800, 0x3801, "flash memory: (ATmega168), $0000 to $00003800", false},
        {0xF000, 0xF001, "flash memory 64k, awl 2k, $0000 to $0000F000", false},
        {0x1D000, 0x1D001, "flash memory 128k, awl 10k, $00000 to $0001D000", false},
        {0x1F000, 0x1F001, "flash memory 128k, awl 2k, $00000 to $0001F000", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString() + (c.fits ? " fits" : " too big"));
        FirmwareRig r(c.areaEnd);
        EXPECT_EQ(r.run(pattern(c.length)), c.fits);
        EXPECT_TRUE(r.logged(c.line));
        EXPECT_EQ(r.logged("error: to less memory "), !c.fits);
        EXPECT_EQ(r.boot.failure().has_value(), !c.fits);
        if (!c.fits) {
            EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::Refused);
            EXPECT_EQ(r.boot.failure()->step, c.line.left(c.line.indexOf("$")).trimmed());
        }
        EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), c.fits ? int(c.length / 256) : 0);
        EXPECT_FALSE(r.rig.terminal.text().contains("Fehler bei Adresse"));
    }
}

TEST(FirmwareDownload, AreaEndOutsideTheTableIsNotChecked)
{
    FirmwareRig r(0x10000);
    ASSERT_TRUE(r.run(pattern(0x400)));
    EXPECT_TRUE(r.logged("last memory,  $0000FFFF"));
    EXPECT_FALSE(r.rig.terminal.text().contains("Fehler bei Adresse"));
    const auto written = pattern(0x400);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), r.rig.board.flash().begin()));
    for (const QString& l : r.lines())
        EXPECT_FALSE(l.startsWith("flash memory")) << l.toStdString();
}

TEST(FirmwareDownload, StopsAtTheFirstFailingStep)
{
    {
        FirmwareRig r; // cancelled dialog
        EXPECT_FALSE(r.run(QString()));
        EXPECT_EQ(r.lines(), QStringList({""}));
    }
    {
        FirmwareRig r;
        EXPECT_FALSE(r.run(r.dir.filePath("none.hex")));
        EXPECT_EQ(r.lines(), QStringList({"Datei \"" + r.dir.filePath("none.hex") + "\" file not found!", ""}));
        EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::File);
        EXPECT_EQ(r.boot.failure()->step, "load file");
    }
    {
        FirmwareRig r;
        writeFile(r.file, ":0100000041BF\r\n" + EndRecord);
        EXPECT_FALSE(r.run(r.file));
        EXPECT_EQ(r.lines().mid(1, 3),
                  QStringList({"load file ", "Prüfsumme der Hex-Datei ungültig; LineChecksum: $BF; Checksum: $42",
                               "read line: :0100000041BF"}));
        EXPECT_FALSE(r.rig.board.inBootloader());
    }
    {
        FirmwareRig r;
        r.rig.board.faults().shortAreaEnd = true;
        EXPECT_FALSE(r.run(pattern(100)));
        EXPECT_TRUE(r.logged("last memory, Abbruch: zu wenig Zeichen empfangen"));
        EXPECT_FALSE(r.logged("block size, "));
        EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::Refused);
        EXPECT_EQ(r.boot.failure()->step, "last memory,");
    }
    {
        FirmwareRig r;
        r.rig.board.faults().blockSizeZero = true;
        EXPECT_FALSE(r.run(pattern(100)));
        EXPECT_TRUE(r.logged("block size,  $0000"));
        EXPECT_TRUE(r.logged("error: block size $0000 not usable (1 to 1024 bytes), nothing written"));
        EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), 0);
        EXPECT_FALSE(r.logged("select adress: $00000000"));
    }
    {
        FirmwareRig r;
        r.rig.board.faults().corruptReadbackAt = 0x0105;
        EXPECT_FALSE(r.run(pattern(0x200)));
        EXPECT_TRUE(r.logged(" Fehler bei Adresse: soll [$0105] $2C    ist: [$0005] $76"));
        EXPECT_FALSE(r.logged("bootloader exit "));
        EXPECT_TRUE(r.rig.board.inBootloader());
        EXPECT_TRUE(r.boot.inBootloader());
        EXPECT_EQ(r.boot.failure()->step, "verify device");
    }
}

TEST(FirmwareDownload, NoSignOnTimesOutAfterAboutTwelveCycles)
{
    FirmwareRig r;
    r.rig.board.faults().noSignOn = true;
    // The sign-on is waited for 3000 ms, to the end of the cycle then running, and the pause
    // after it follows.
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(r.run(pattern(100)));
    EXPECT_GE(t.elapsed(), 3000 + 250);
    EXPECT_LE(t.elapsed(), 3000 + 250 + 250 + 400);
    const QStringList lines = r.lines();
    const int at = int(lines.indexOf(QRegularExpression("^connect Velmar \\.+$")));
    ASSERT_GE(at, 0) << r.rig.terminal.text().toStdString();
    const auto dots = lines[at].size() - 15;
    EXPECT_GE(dots, 12);
    EXPECT_LE(dots, 13);
    EXPECT_EQ(lines.mid(at + 1), QStringList({" Timeout ", ""}));
    EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::NoAnswer);
    EXPECT_EQ(r.boot.failure()->step, "connect Velmar");
    EXPECT_FALSE(r.boot.inBootloader());
}

TEST(FirmwareDownload, PortErrorLeavesTheTerminalMode)
{
    FirmwareRig r;
    writeFile(r.file, hexFile(pattern(10)));
    r.rig.port.Close();
    EXPECT_ANY_THROW(r.run(r.file));
    EXPECT_EQ(r.rig.link.rx().RxMode, RxTerminal);
    EXPECT_FALSE(r.rig.link.busy());
}
