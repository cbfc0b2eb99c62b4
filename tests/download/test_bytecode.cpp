#include "Bootloader.h"
#include "ByteCodeDownload.h"
#include "ByteCodeReader.h"
#include "HexFiles.h"
#include "ScriptedBoard.h"
#include "SimRig.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Read {
    bool ok = false;
    std::vector<std::uint8_t> bytes; // the bytes read, without the fill
    std::vector<std::uint8_t> image;
    int pumps = 0;
    QString problem;
    int firstFaultyLine = 0;
};

Read read(const QByteArray& text, std::uint32_t size = 16384)
{
    Read r;
    ByteCodeReader reader([&r] { ++r.pumps; });
    std::uint32_t length = 99;
    r.ok = reader.ReadByteCodeText(text, r.image, length, size);
    r.bytes.assign(r.image.begin(), r.image.begin() + length);
    r.problem = reader.problem();
    r.firstFaultyLine = reader.firstFaultyLine();
    return r;
}

using Bytes = std::vector<std::uint8_t>;

} // namespace

TEST(ByteCodeReader, Items)
{
    struct Case {
        const char* what;
        QByteArray text;
        bool ok;
        Bytes bytes;
    };
    const Case cases[] = {
        {"byte items", "01:2F:a0\r\n", true, {0x01, 0x2F, 0xA0}},
        {"text item between bytes", "12:\"AB\":34\n", true, {0x12, 0x22, 0x41, 0x42, 0x22, 0x34}},
        {"only the first two characters count", "0A5:1234\n", true, {0x0A, 0x12}},
        {"a single digit as the last item", "10:7\n", true, {0x10, 0x07}},
        {"a single digit before a separator", "1:20\n", false, {}},
        {"separator at the start", ":12\n", false, {}},
        {"text item at the end of a line", "12:\"AB\"\n", false, {0x12, 0x22, 0x41, 0x42, 0x22}},
        {"text without its closing quote", "\"AB\n01\n", false, {0x22, 0x41, 0x42, 0x01}},
        {"a faulty line ends only itself", "01:ZZ:02\n03\n", false, {0x01, 0x03}},
        {"comments and empty lines hold nothing", "; 01:02\n\n04\r\n\r\n;\n05", true, {0x04, 0x05}},
        {"an empty file", "", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Read r = read(c.text);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.bytes, c.bytes);
        EXPECT_EQ(r.image.size(), 16384u);
        EXPECT_TRUE(
            std::all_of(r.image.begin() + qsizetype(r.bytes.size()), r.image.end(), [](auto b) { return b == 0xFF; }));
    }
}

TEST(ByteCodeReader, EventsArePumpedAfterEveryLineButComments) { EXPECT_EQ(read(";a\n01\n;b\n02:03\n").pumps, 2); }

TEST(ByteCodeReader, NeverWritesPastTheImage)
{
    QByteArray full;
    for (int i = 0; i < 16; ++i)
        full += "01:02:03:04:05:06:07:08\n";
    const Read fits = read(full, 128);
    EXPECT_TRUE(fits.ok);
    EXPECT_EQ(fits.bytes.size(), 128u);

    const Read over = read(full + "\"xyz\":09\n", 128);
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.image.size(), 128u);
    EXPECT_EQ(over.bytes.size(), 128u);
    EXPECT_EQ(over.problem, "byte code larger than 128 bytes, refused");
}

TEST(ByteCodeReader, NamesTheFirstFaultyLine)
{
    const Read r = read("01\n;c\nZZ\n0G\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.firstFaultyLine, 3);
    EXPECT_TRUE(r.problem.isEmpty()); // the log says "file error" alone
}

namespace {

struct AwlRig {
    SimRig rig;
    Bootloader boot{rig.link, rig.terminal};
    ByteCodeDownload download{boot};
    QTemporaryDir dir;
    QString file = dir.filePath("prog.vlb");

    explicit AwlRig(std::uint32_t areaEnd = 0x1F000)
    {
        rig.board.setFlashAreaEnd(areaEnd);
        rig.board.setBlockSize(128);
    }
    bool run(const QByteArray& text)
    {
        writeFile(file, text);
        return run(file);
    }
    bool run(const QString& name)
    {
        rig.terminal.setColor(LogColors::Green);
        const bool ok = download.LoadByteCode(name);
        EXPECT_EQ(rig.link.rx().RxMode, RxTerminal);
        return ok;
    }
    QStringList lines() const { return rig.terminal.lines(); }
    bool logged(const QString& line) const { return lines().contains(line); }
};

QByteArray byteCode(int count)
{
    QByteArray text = "; generated\n";
    for (int i = 0; i < count; ++i)
        text += QByteArray::number(i % 200 + 16, 16) + ((i % 16 == 15 || i == count - 1) ? "\n" : ":");
    return text;
}

} // namespace

TEST(ByteCodeDownload, WritesTheProgramBehindTheFirmwareAndStartsIt)
{
    AwlRig r;
    ASSERT_TRUE(r.run(byteCode(300)));
    const auto& flash = r.rig.board.flash();
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(flash[0x1F000 + i], i % 200 + 16) << i;
    EXPECT_EQ(flash[0x1F000 + 300], 0xFF);
    EXPECT_FALSE(r.rig.board.inBootloader());
    EXPECT_EQ(r.rig.board.telegramLog(), QList<QByteArray>({":aa03320100a5", ":aa023401a5", ":aa0110a5"}));
    QStringList lines = r.lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(QRegularExpression("^contact Velmar \\.{2,3}$").match(lines[1]).hasMatch()) << lines[1].toStdString();
    lines[1] = "contact Velmar ";
    EXPECT_EQ(lines, QStringList({"load AWL size, 300 bytes", "contact Velmar ",
                                  "flash memory 128k, awl 2k,  $0001F000 to $0001F12C", "block size,  $0080",
                                  "select adress: $0001F000", "flash device ", "...", "select adress: $0001F000",
                                  "verify device ", "...", "start program", "", "", ""}));
    EXPECT_EQ(r.rig.terminal.color(), LogColors::White);
}

TEST(ByteCodeDownload, OneByteTakesOneBlock)
{
    AwlRig r(0xF000);
    std::fill(r.rig.board.flash().begin(), r.rig.board.flash().end(), 0x00);
    ASSERT_TRUE(r.run(QByteArray("00\n")));
    const auto& flash = r.rig.board.flash();
    EXPECT_EQ(flash[0xF000], 0x00);
    EXPECT_TRUE(std::all_of(flash.begin() + 0xF001, flash.begin() + 0xF080, [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(flash[0xF080], 0x00);
    EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), 1);
    // The verify passed with the fill compared as erased bytes, not just past a difference.
    EXPECT_FALSE(r.logged(" Fehler bei Adresse: soll [$F001] $FF    ist: [$0001] $00"));
    EXPECT_FALSE(r.rig.terminal.text().contains("Fehler bei Adresse")) << r.rig.terminal.text().toStdString();
}

TEST(ByteCodeDownload, AreaLimits)
{
    struct Case {
        std::uint32_t start;
        int size;
        QString line;
        bool fits;
    };
    const Case cases[] = {
        {0xF000, 2046, "flash memory 64k,  $0000F000 to $0000F7FE", true},
        {0xF000, 2047, "flash memory 64k,  $0000F000 to $0000F7FF", false},
        {0x1F000, 2047, "flash memory 128k, awl 2k,  $0001F000 to $0001F7FF", false},
        {0x1D000, 10238, "flash memory 128k, awl 10k,  $0001D000 to $0001F7FE", true},
        {0x1D000, 10239, "flash memory 128k, awl 10k,  $0001D000 to $0001F7FF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        AwlRig r(c.start);
        EXPECT_EQ(r.run(byteCode(c.size)), c.fits);
        EXPECT_TRUE(r.logged(c.line)) << r.rig.terminal.text().toStdString();
        EXPECT_EQ(r.logged("error: to less memory "), !c.fits);
        EXPECT_EQ(r.rig.board.bootloader().blocksWritten(), c.fits ? (c.size + 127) / 128 : 0);
    }
    AwlRig other(0x3800); // not in the table: no line, no check
    EXPECT_TRUE(other.run(byteCode(1000)));
    EXPECT_TRUE(other.logged("block size,  $0080"));
    EXPECT_FALSE(other.rig.terminal.text().contains("Fehler bei Adresse"));
    EXPECT_FALSE(other.rig.terminal.text().contains("flash memory"));
}

TEST(ByteCodeDownload, FirmwareCheck)
{
    {
        AwlRig r;
        r.rig.board.eeprom()[1] = 0xFF;
        EXPECT_FALSE(r.run(byteCode(10)));
        EXPECT_EQ(r.lines(), QStringList({"Firmware invalid ", ""}));
        EXPECT_FALSE(r.rig.board.inBootloader());
        EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::Refused);
        EXPECT_EQ(r.boot.failure()->step, "firmware check (EEPROM 0x0001)");
    }
    {
        AwlRig r;
        r.rig.board.faults().refuseAll = true;
        EXPECT_FALSE(r.run(byteCode(10)));
        EXPECT_EQ(r.lines(), QStringList({"write adress: 0x0001 fail  fail", ""}));
    }
}

TEST(ByteCodeDownload, FileProblemsRunTheClosingSteps)
{
    {
        AwlRig r;
        EXPECT_FALSE(r.run(r.dir.filePath("none.vlb")));
        EXPECT_EQ(r.lines(), QStringList({"File \"" + r.dir.filePath("none.vlb") + "\" not found!", "", "", ""}));
    }
    {
        AwlRig r;
        EXPECT_FALSE(r.run(QByteArray("01\nxx\n")));
        // The first faulty line is named with its number, so that it is found in the file.
        EXPECT_EQ(r.lines(), QStringList({"load AWL file error", "first faulty line 2: xx", "", "", ""}));
        EXPECT_FALSE(r.rig.board.inBootloader());
        EXPECT_EQ(r.boot.failure()->kind, StepFailure::Kind::File);
        EXPECT_EQ(r.boot.failure()->step, "load AWL");
        EXPECT_TRUE(r.boot.failure()->detail.contains("line 2")) << r.boot.failure()->detail.toStdString();
    }
    {
        AwlRig r; // there, but not readable
        ASSERT_TRUE(QDir(r.dir.path()).mkdir("folder.vlb"));
        EXPECT_FALSE(r.run(r.dir.filePath("folder.vlb")));
        const QStringList lines = r.lines();
        EXPECT_EQ(lines.value(0), "load AWL file error");
        EXPECT_TRUE(lines.value(1).startsWith("cannot read \"" + r.dir.filePath("folder.vlb") + "\": "))
            << lines.value(1).toStdString();
        EXPECT_EQ(lines.mid(2), QStringList({"", "", ""}));
    }
}

TEST(ByteCodeDownload, AFirmwareCheckWithoutItsByteIsAnInvalidAnswer)
{
    // The first check reads 0xFF ("Firmware invalid "); the second gets the read's code alone,
    // which must not be taken for another 0xFF (or for a valid firmware).
    ScriptedBoard s({":aa0120a5\n", ":aa0234ffa5\n", ":aa0120a5\n", ":aa0134a5\n"});
    Bootloader boot(s.rig.link, s.rig.terminal);
    QTemporaryDir dir;
    const QString file = dir.filePath("prog.vlb");
    writeFile(file, "01\n");
    EXPECT_FALSE(ByteCodeDownload(boot).LoadByteCode(file));
    EXPECT_EQ(s.rig.terminal.lines(), QStringList({"Firmware invalid ", ""}));
    s.rig.terminal.clear();
    EXPECT_FALSE(ByteCodeDownload(boot).LoadByteCode(file));
    EXPECT_EQ(s.rig.terminal.lines(), QStringList({"Rückmeldung ungültig ? $34", ""}));
    EXPECT_EQ(s.requests.size(), 4); // nothing of the download went out
}
