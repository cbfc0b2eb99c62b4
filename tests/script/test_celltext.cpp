#include "CellText.h"
#include "SendList.h"
#include "SendRow.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* text;
    std::uint32_t limit;
    CellNotation notation;
    std::uint32_t value;
};

class ParseCellTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCellTable, ReadsTheTypedText)
{
    const ParseCase& c = GetParam();
    const ParsedCell p = ParseCell(QString::fromUtf8(c.text), c.limit);
    EXPECT_EQ(int(p.notation), int(c.notation)) << c.text;
    EXPECT_EQ(p.value, c.value) << c.text;
}

using N = CellNotation;
INSTANTIATE_TEST_SUITE_P(
    Cells, ParseCellTable,
    ::testing::Values(ParseCase{"", 255, N::Empty, 0}, ParseCase{"   ", 255, N::Empty, 0},
                      ParseCase{"12", 255, N::Decimal, 12}, ParseCase{"0", 255, N::Decimal, 0},
                      ParseCase{"$ff", 255, N::Hex, 255}, ParseCase{" $FF ", 255, N::Hex, 255},
                      ParseCase{"$0c", 255, N::Hex, 12}, ParseCase{"$", 255, N::Hex, 0},
                      ParseCase{"b101", 255, N::Binary, 5}, ParseCase{"B11111111", 255, N::Binary, 255},
                      // The limit stops the scan only once it has been passed; the caller keeps the low bits.
                      ParseCase{"300", 255, N::Decimal, 300}, ParseCase{"2550", 255, N::Decimal, 2550},
                      ParseCase{"25500", 255, N::Decimal, 2550}, ParseCase{"$1ff", 255, N::Hex, 0x1FF},
                      ParseCase{"$fffff", 255, N::Hex, 0xFFF}, ParseCase{"10000", 10000, N::Decimal, 10000},
                      ParseCase{"100000", 10000, N::Decimal, 100000}, ParseCase{"1000000", 10000, N::Decimal, 100000},
                      ParseCase{"b111111111", 255, N::Binary, 511},
                      // Text that turns invalid is marked empty but keeps the value reached.
                      ParseCase{"$12x", 255, N::Empty, 0x12}, ParseCase{"0x10", 255, N::Empty, 0},
                      ParseCase{"12a", 255, N::Empty, 12}, ParseCase{"b102", 255, N::Empty, 2},
                      ParseCase{"1 2", 255, N::Empty, 1}, ParseCase{"-1", 255, N::Empty, 0},
                      ParseCase{"x", 255, N::Empty, 0}, ParseCase{"ACK", 255, N::Empty, 0},
                      ParseCase{"$g", 255, N::Empty, 0}));

TEST(FormatCell, ShowsEachNotation)
{
    EXPECT_EQ(FormatCell(5, N::Empty), QString());
    EXPECT_EQ(FormatCell(200, N::Decimal), QString("200"));
    EXPECT_EQ(FormatCell(5, N::Hex), QString("$05"));
    EXPECT_EQ(FormatCell(255, N::Hex), QString("$FF"));
    EXPECT_EQ(FormatCell(0, N::Hex), QString("$00"));
    EXPECT_EQ(FormatCell(5, N::Binary), QString("b101"));
    EXPECT_EQ(FormatCell(0, N::Binary), QString("b0"));
    // A delay above 255 in hex keeps all its digits.
    EXPECT_EQ(FormatCell(300, N::Hex), QString("$12C"));
    EXPECT_EQ(FormatCell(10000, N::Hex), QString("$2710"));
}

TEST(FormatCell, EveryShownTextReadsBackAsItself)
{
    for (N n : {N::Decimal, N::Hex, N::Binary})
        for (std::uint32_t v : {0u, 1u, 5u, 127u, 200u, 255u}) {
            const ParsedCell p = ParseCell(FormatCell(v, n), 255);
            EXPECT_EQ(p, (ParsedCell{n, v})) << FormatCell(v, n).toStdString();
        }
}

TEST(SendRowCells, EditorTextGoesIntoTheRow)
{
    SendRow row;
    row.setCellText(SendColumn::Cmd, "EEPW");
    row.setCellText(1, "$10");
    row.setCellText(2, "300"); // kept as its low 8 bits
    row.setCellText(3, "$12x");
    row.setCellText(4, "b1010");
    row.setCellText(SendColumn::Delay, "70000"); // stops past 10000 at 70000, low 16 bits
    row.setCellText(SendColumn::Comment, "init; first");
    const ParsedCell nothing = row.setCellText(SendColumn::Send, "x");

    EXPECT_EQ(row.CMD, QString("EEPW"));
    EXPECT_EQ(row.data[0], 0x10);
    EXPECT_EQ(row.notation[0], N::Hex);
    EXPECT_EQ(row.data[1], 44);
    EXPECT_EQ(row.notation[1], N::Decimal);
    EXPECT_EQ(row.data[2], 0x12);
    EXPECT_EQ(row.notation[2], N::Empty);
    EXPECT_EQ(row.given(2), 0);
    EXPECT_EQ(row.data[3], 10);
    EXPECT_EQ(row.notation[3], N::Binary);
    EXPECT_EQ(row.delay, 70000 & 0xFFFF);
    EXPECT_EQ(row.delayNotation, N::Decimal);
    EXPECT_EQ(row.Comment, QString("init; first"));
    EXPECT_EQ(nothing.notation, N::Empty);

    EXPECT_EQ(row.cellText(1), QString("$10"));
    EXPECT_EQ(row.cellText(2), QString("44"));
    EXPECT_EQ(row.cellText(3), QString());
    EXPECT_EQ(row.cellText(4), QString("b1010"));
    EXPECT_EQ(row.cellText(SendColumn::Send), QString());
    EXPECT_EQ(row.cellText(SendColumn::Comment), QString("init; first"));
    EXPECT_EQ(row.givenDelay(), 70000 & 0xFFFF);
}

TEST(SendListRows, LineCountAndRemoval)
{
    SendList list;
    list.append();
    EXPECT_EQ(list.lineCount(), 2);
    list.append();
    list.append();
    EXPECT_EQ(list.lineCount(), 4);
    list.at(1).CMD = "second";
    EXPECT_TRUE(list.remove(0));
    EXPECT_EQ(list.at(0).CMD, QString("second"));
    // Removing the last remaining row leaves one new empty row.
    EXPECT_TRUE(list.remove(1));
    EXPECT_TRUE(list.remove(0));
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0), SendRow{});
    // An emptied list keeps a blank line; removing on it changes nothing.
    list.clear();
    EXPECT_EQ(list.lineCount(), 2);
    const auto generation = list.generation();
    EXPECT_FALSE(list.remove(0));
    EXPECT_FALSE(list.remove(-1));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.generation(), generation);
}

} // namespace
