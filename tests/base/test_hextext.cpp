#include "EConvertError.h"
#include "HexText.h"

#include <gtest/gtest.h>

TEST(HexText, FormatsBytesWordsAndLongWordsInUpperCase)
{
    EXPECT_EQ(ByteToHex(0x3A), "$3A");
    EXPECT_EQ(ByteToHex(0x00), "$00");
    EXPECT_EQ(ByteToHexDigits(0x3A), "3A");
    EXPECT_EQ(ByteToHexDigits(0x0b), "0B");
    EXPECT_EQ(WordToHex(0x1F40), "$1F40");
    EXPECT_EQ(WordToHex(0x0080), "$0080");
    EXPECT_EQ(LongWordToHex(0x12AB), "$000012AB");
    EXPECT_EQ(LongWordToHex(0xFFFFFFFFu), "$FFFFFFFF");
}

TEST(HexText, IntegerTextFollowsTheTraditionalConversion)
{
    for (const char* good :
         {"12", " 12", "0", "-5", "+7", "$1F", "$1f", "$FFFFFFFF", "2147483647", "-2147483648", "0x1A"})
        EXPECT_TRUE(IsIntegerText(QString::fromLatin1(good))) << good;
    for (const char* bad :
         {"", " ", "$", "$1G", "12a", "12 ", "$ 1", "2147483648", "$100000000", "4294967296", "-", "$-1", "\r", "1.5"})
        EXPECT_FALSE(IsIntegerText(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("$aa"), 0xAA);
}

TEST(HexText, ConversionErrorQuotesTheText)
{
    try {
        (void)StrToInt("$\r");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'$\r' is not a valid integer value");
    }
}
