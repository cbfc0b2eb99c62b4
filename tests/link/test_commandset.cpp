#include "CommandSet.h"

#include <array>
#include <gtest/gtest.h>

// The board has always been sent exactly these texts; they are spelled out here on purpose.
TEST(CommandSet, FixedTextsStayByteForByte)
{
    EXPECT_EQ(CommandSet::reset(), ":aa0110a5\r");
    EXPECT_EQ(CommandSet::resetIntoBootloader(), QByteArray("\r:aa0110a5\r"));
    EXPECT_EQ(CommandSet::ack(), ":aa0120a5\r");
    EXPECT_EQ(CommandSet::readAddressPointer(), ":aa0131a5\r");
    EXPECT_EQ(CommandSet::eepromWriteEightZeros(), ":aa09330000000000000000a5\r");
    EXPECT_EQ(CommandSet::eepromWriteTwoZeros(), ":aa03330000a5\r");
    EXPECT_EQ(CommandSet::eepromWriteElevenZeros(), ":aa0c330000000000000000000000a5\r");
    EXPECT_EQ(CommandSet::ramReadEleven(), ":aa02360ba5\r");
    EXPECT_EQ(CommandSet::messageRead(), ":aa0150a5\r");
    EXPECT_EQ(CommandSet::digitalIO(), ":aa0152a5\r");
    EXPECT_EQ(CommandSet::fileRead(), ":aa0173a5\r");
    EXPECT_EQ(CommandSet::fileClose(), ":aa0174a5\r");
}

TEST(CommandSet, AddressesAndCountsTravelAsTheBoardExpects)
{
    EXPECT_EQ(CommandSet::selectAddress(0x0000), ":aa03320000a5\r");
    EXPECT_EQ(CommandSet::selectAddress(0x0001), ":aa03320100a5\r");
    EXPECT_EQ(CommandSet::selectAddress(0x0002), ":aa03320200a5\r");
    EXPECT_EQ(CommandSet::selectAddress(0x0003), ":aa03320300a5\r");
    EXPECT_EQ(CommandSet::selectAddress(0x0016), ":aa03321600a5\r");
    EXPECT_EQ(CommandSet::selectAddress(0x0100), ":aa03320001a5\r");
    EXPECT_EQ(CommandSet::selectAddress(0xABCD), ":aa0332CDABa5\r");
    EXPECT_EQ(CommandSet::eepromRead(1), ":aa023401a5\r");
    EXPECT_EQ(CommandSet::eepromRead(10), ":aa02340Aa5\r");
    EXPECT_EQ(CommandSet::eepromWriteByte(0x40), ":aa023340a5\r");
    EXPECT_EQ(CommandSet::ramRead(3), ":aa023603a5\r");
    EXPECT_EQ(CommandSet::ramRead(1), ":aa023601a5\r");
    EXPECT_EQ(CommandSet::fileBlockAddress(0), ":aa024000a5\r");
    EXPECT_EQ(CommandSet::romRead(0x10), ":aa023710a5\r");
    EXPECT_EQ(CommandSet::moduleReading(2), ":aa026002a5\r");
    EXPECT_EQ(CommandSet::canRead(2), ":aa026102a5\r");
    EXPECT_EQ(CommandSet::canWrite(1, 0xA, 0xB, 0xC), ":aa0562010A0B0Ca5\r");
}

TEST(CommandSet, SignalsAreTakenAsBytes)
{
    EXPECT_EQ(CommandSet::bitVariable(0), ":aa03530000a5\r");
    EXPECT_EQ(CommandSet::bitVariable(13), ":aa03530100a5\r");
    EXPECT_EQ(CommandSet::bitVariable(255), ":aa03531F00a5\r");
    EXPECT_EQ(CommandSet::wordVariable(10), ":aa03540A00a5\r");
    EXPECT_EQ(CommandSet::wordVariable(255), ":aa0354FF00a5\r");
}

TEST(CommandSet, WritesOfSeveralBytesEndInUpperCase)
{
    const std::array<std::uint8_t, 3> bytes{0x01, 0xAB, 0x00};
    EXPECT_EQ(CommandSet::eepromWrite(bytes), ":aa0433"
                                              "01AB00"
                                              "A5\r");
    EXPECT_EQ(CommandSet::ramWrite(bytes), ":aa0435"
                                           "01AB00"
                                           "A5\r");
    EXPECT_EQ(CommandSet::messageWrite(1, 2, 3), ":aa0450010203A5\r");
    const std::array<std::uint8_t, 11> entry{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(CommandSet::eepromWriteEntry(entry), ":aa0c33"
                                                   "0102030405060708090A0B"
                                                   "a5\r");
}

TEST(CommandSet, SdCardFileTexts)
{
    EXPECT_EQ(CommandSet::fileOpenWrite("A.TXT"), ":aa0670412E545854a5\r");
    EXPECT_EQ(CommandSet::fileOpenRead("A"), ":aa027241a5\r");
    EXPECT_EQ(CommandSet::fileWrite(QByteArray(30, 'x'), false),
              ":aa1F71" + QString(30, 'x').toLatin1().toHex().toUpper() + "a5\r");
    EXPECT_EQ(CommandSet::fileWrite("ab", true), ":aa047161620aa5\r");
    // Only the line feed is spelled in lower case, not a text byte with a letter in it.
    EXPECT_EQ(CommandSet::fileWrite("zj", true), ":aa04717A6A0aa5\r");
    EXPECT_EQ(CommandSet::fileWrite(QByteArray(30, 'J'), true),
              ":aa2071" + QByteArray(30, 'J').toHex().toUpper() + "0aa5\r");
}
