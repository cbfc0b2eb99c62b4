#include "HexFiles.h"
#include "IntelHexReader.h"
#include "IntelHexWriter.h"
#include "LineSplitter.h"
#include "RecordingLog.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Reader {
    RecordingLog log;
    std::vector<std::uint8_t> image;
    std::uint32_t length = 77;
    int pumps = 0;
    IntelHexReader reader{log, [this] { ++pumps; }};

    bool read(const QByteArray& text, std::uint32_t size = 131071)
    {
        return reader.ReadIntelHexText(text, image, length, size);
    }
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

} // namespace

TEST(IntelHexReader, FilesOfAnIndependentToolGiveItsImage)
{
    for (const auto& [name, at] : {std::pair{"fw_low", 0u}, std::pair{"fw_cross64k", 0xF800u}}) {
        SCOPED_TRACE(name);
        const QString base = QStringLiteral(VELMAR_TEST_DATA "/") + QLatin1String(name);
        const QByteArray bin = readFile(base + ".bin");
        Reader r;
        IntelHexReader fileReader(r.log);
        ASSERT_TRUE(fileReader.ReadIntelHex(base + ".hex", r.image, r.length, 131071));
        EXPECT_EQ(r.log.text(), QString());
        ASSERT_EQ(r.image.size(), 131071u);
        EXPECT_EQ(r.length, at + std::uint32_t(bin.size()));
        EXPECT_TRUE(std::equal(bin.begin(), bin.end(), r.image.begin() + at,
                               [](char a, std::uint8_t b) { return std::uint8_t(a) == b; }));
        // Everything the file did not write is erased flash.
        EXPECT_TRUE(std::all_of(r.image.begin(), r.image.begin() + at, [](auto b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(r.image.begin() + r.length, r.image.end(), [](auto b) { return b == 0xFF; }));
    }
}

TEST(IntelHexReader, ImagePresetAndLengthComeFromTheHighestByte)
{
    Reader r;
    r.image.assign(10, 0x00);
    ASSERT_TRUE(r.read(record(0, 0x1FFF, "\x12") + record(0, 0x0010, "\x34\x56") + EndRecord, 0x4000));
    EXPECT_EQ(r.image.size(), 0x4000u);
    EXPECT_EQ(r.length, 0x2000u);
    EXPECT_EQ(r.image[0x1FFF], 0x12);
    EXPECT_EQ(r.image[0x10], 0x34);
    EXPECT_EQ(r.image[0x11], 0x56);
    EXPECT_EQ(r.image[0x0F], 0xFF);
    EXPECT_EQ(r.image[0x00], 0xFF);
    EXPECT_EQ(r.pumps, 3); // after every accepted line
}

TEST(IntelHexReader, LowerCaseDigitsAndBareLineFeeds)
{
    Reader r;
    ASSERT_TRUE(r.read(":02000000abcd86\n:00000001ff\n"));
    EXPECT_EQ(r.image[0], 0xAB);
    EXPECT_EQ(r.image[1], 0xCD);
    EXPECT_EQ(r.length, 2u);
}

TEST(IntelHexReader, TheImageSizeIsTheLimit)
{
    {
        Reader r; // the last byte lands at 131070
        ASSERT_TRUE(r.read(record(2, 0, QByteArray("\x10\x00", 2)) + record(0, 0xFFFE, "\x01") + EndRecord));
        EXPECT_EQ(r.length, 131071u);
        EXPECT_EQ(r.image[131070], 0x01);
    }
    {
        Reader r; // a record reaching 131071
        EXPECT_FALSE(r.read(record(2, 0, QByteArray("\x10\x00", 2)) + record(0, 0xFFFE, "\x01\x02") + EndRecord));
        EXPECT_EQ(r.log.text(), "Hex-Datei größer als Flash-Speicher (131071 Byte)");
        EXPECT_EQ(r.image.size(), 131071u);
    }
}

TEST(IntelHexReader, SegmentAddressMovesLaterRecords)
{
    Reader r;
    ASSERT_TRUE(r.read(record(0, 0x0100, "\x11") + record(2, 0, QByteArray("\x10\x00", 2)) + record(0, 0x0100, "\x22") +
                       EndRecord));
    EXPECT_EQ(r.image[0x100], 0x11);
    EXPECT_EQ(r.image[0x10100], 0x22);
    EXPECT_EQ(r.length, 0x10101u);
}

TEST(IntelHexReader, RepeatedEntries)
{
    {
        Reader r; // the same record twice
        const QByteArray rec = record(0, 0x20, "\x01\x02");
        EXPECT_FALSE(r.read(rec + rec + EndRecord));
        EXPECT_EQ(r.log.text(), "Eintrag in Datei doppelt vorhanden");
    }
    {
        Reader r; // a different value wins, 0xFF never counts as an earlier entry
        ASSERT_TRUE(
            r.read(record(0, 0x20, "\x01\xFF") + record(0, 0x20, "\x05\xFF") + record(0, 0x21, "\x07") + EndRecord));
        EXPECT_EQ(r.log.text(), QString());
        EXPECT_EQ(r.image[0x20], 0x05);
        EXPECT_EQ(r.image[0x21], 0x07);
    }
}

TEST(IntelHexReader, WrongChecksumLogsBothLines)
{
    Reader r;
    EXPECT_FALSE(r.read(":0100000041BF\r\n" + EndRecord));
    EXPECT_EQ(r.log.lines(), QStringList({"Prüfsumme der Hex-Datei ungültig; LineChecksum: $BF; Checksum: $42",
                                          "read line: :0100000041BF"}));
    // The end record and the segment record are checked too.
    Reader end;
    EXPECT_FALSE(end.read(":00000001FE\n"));
    EXPECT_EQ(end.log.lines().value(0), "Prüfsumme der Hex-Datei ungültig; LineChecksum: $FE; Checksum: $01");
    Reader segment;
    EXPECT_FALSE(segment.read(":020000021000EB\n" + EndRecord));
    EXPECT_EQ(segment.log.lines().value(1), "read line: :020000021000EB");
}

TEST(IntelHexReader, FormatFailures)
{
    Reader r;
    EXPECT_FALSE(r.read("S1130000\r\n" + EndRecord));
    EXPECT_EQ(r.log.text(), "Ungültiges Dateiformat (kein Intel-Hex)");
    Reader linear;
    EXPECT_FALSE(linear.read(record(4, 0, QByteArray("\x00\x01", 2)) + EndRecord));
    EXPECT_EQ(linear.log.text(), "Ungültiger Record in Hex-Datei (unbekannte Funktion)");
}

TEST(IntelHexReader, QuietStops)
{
    const QByteArray data = record(0, 0, "\x01\x02");
    struct Case {
        const char* what;
        QByteArray text;
        bool result;
    };
    const Case cases[] = {
        {"only an end record", EndRecord, true},
        {"blank line after the end record", data + EndRecord + "\r\n", true},
        {"no end record", data, false},
        {"empty line before the end record", data + "\r\n" + EndRecord, false},
        {"short line", data + ":0200100001\r\n" + EndRecord, false},
        {"data field not hex", data + ":020010000Z0BE3\r\n" + EndRecord, false},
        {"no checksum", data + ":0100200011\r\n" + EndRecord, false},
        {"anything after the end record is ignored", data + EndRecord + "garbage\r\n" + record(0, 0, "\x09"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reader r;
        EXPECT_EQ(r.read(c.text), c.result);
        EXPECT_EQ(r.log.text(), QString());
    }
    Reader after;
    ASSERT_TRUE(after.read(data + EndRecord + record(0, 0x40, "\x09")));
    EXPECT_EQ(after.image[0x40], 0xFF);
    EXPECT_EQ(after.length, 2u);
}

TEST(IntelHexReader, EmptyDataRecordLeavesTheLength)
{
    Reader r;
    ASSERT_TRUE(r.read(record(0, 0x10, "\x01") + record(0, 0x8000, "") + EndRecord));
    EXPECT_EQ(r.length, 0x11u);
}

TEST(IntelHexReader, MissingFileFailsQuietly)
{
    Reader r;
    IntelHexReader fileReader(r.log);
    r.image.assign(3, 0);
    EXPECT_FALSE(fileReader.ReadIntelHex("/nonexistent/x.hex", r.image, r.length, 100));
    EXPECT_EQ(r.log.text(), QString());
    EXPECT_EQ(r.length, 0u);
    EXPECT_EQ(r.image, std::vector<std::uint8_t>(100, 0xFF));
}

// What the writer makes, the tool's reader and srec_cat (an independent tool) read back to
// the same bytes; erased lines are left out unless kept, and segment records come where
// the reader needs them.
TEST(IntelHexWriter, TheReaderAndSrecCatReadTheImageBack)
{
    const QString srecCat = QStandardPaths::findExecutable("srec_cat");
    if (srecCat.isEmpty())
        GTEST_SKIP() << "srec_cat (Debian srecord) is not installed";
    const auto image = [](std::size_t size, std::size_t gapFrom, std::size_t gapTo) {
        std::vector<std::uint8_t> v = pattern(size);
        std::fill(v.begin() + std::min(gapFrom, size), v.begin() + std::min(gapTo, size), 0xFF);
        return v;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> image;
        bool keepErased;
        int records; // data and segment records, the end record not counted
    };
    const Case cases[] = {
        {"empty", {}, false, 0},
        {"all erased", std::vector<std::uint8_t>(100, 0xFF), false, 0},
        {"all erased, kept", std::vector<std::uint8_t>(100, 0xFF), true, 7},
        {"a short last record", pattern(33), false, 3},
        {"a gap, and data above 64 KiB only", image(0x10020, 0, 0x10000), false, 1 + 2},
        {"the firmware area of a 128k board", image(0x1F000, 0x800, 0x1F000 - 0x10), false, 0x80 + 1 + 1},
        {"the same with the erased lines", image(0x1F000, 0x800, 0x1F000 - 0x10), true, 0x1F00 + 1},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray text = IntelHexWriter::text(c.image, c.keepErased);
        QList<QByteArray> lines = text.split('\n');
        ASSERT_EQ(lines.takeLast(), QByteArray()); // every line ends with LF
        EXPECT_EQ(lines.takeLast(), ":00000001FF");
        EXPECT_EQ(lines.size(), c.records);
        for (const QByteArray& line : lines) {
            EXPECT_LE(line.size(), 11 + 2 * 16) << line.constData();
            EXPECT_EQ(line, line.toUpper());
        }
        std::vector<std::uint8_t> expected = c.image;
        expected.resize(131071, 0xFF);

        Reader r;
        ASSERT_TRUE(r.read(text));
        EXPECT_EQ(r.log.text(), QString());
        EXPECT_TRUE(r.image == expected);

        if (c.records == 0)
            continue; // srec_cat refuses a file without data
        const QString hex = dir.filePath("out.hex"), bin = dir.filePath("out.bin");
        QFile f(hex);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        QProcess srec;
        srec.start(srecCat, {hex, "-Intel", "-fill", "0xFF", "0", "131071", "-o", bin, "-Binary"});
        ASSERT_TRUE(srec.waitForFinished(30000));
        ASSERT_EQ(srec.exitCode(), 0) << srec.readAllStandardError().constData();
        const QByteArray back = readFile(bin);
        EXPECT_TRUE(std::equal(back.begin(), back.end(), expected.begin(), expected.end(),
                               [](char a, std::uint8_t b) { return std::uint8_t(a) == b; }));
    }
}

TEST(LineSplitter, LineEndsOfBothKindsAndALastLineWithoutOne)
{
    struct Case {
        QByteArray text;
        QList<QByteArray> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"\n\r\nx\r", {"", "", "x"}},
        {"a\rb\n", {"a\rb"}}, // a lone CR inside a line stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        LineSplitter splitter(c.text);
        QList<QByteArray> got;
        QByteArray line;
        while (splitter.next(line))
            got << line;
        EXPECT_EQ(got, c.lines);
    }
}
