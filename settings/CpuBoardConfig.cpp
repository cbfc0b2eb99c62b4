#include "CpuBoardConfig.h"

namespace {

constexpr std::uint8_t ClockBit = 0x10;
constexpr std::uint8_t ButtonBit = 0x20;
constexpr std::uint8_t SdCardBit = 0x40;

} // namespace

CpuBoardConfig CpuBoardConfig::fromByte(std::uint8_t b)
{
    CpuBoardConfig c;
    c.lcd = BaseBoardConfig::lcdFromByte(b);
    c.clock = (b & ClockBit) != 0;
    c.button = (b & ButtonBit) != 0;
    c.sdCard = (b & SdCardBit) != 0;
    return c;
}

std::uint8_t CpuBoardConfig::toByte() const
{
    std::uint8_t b = BaseBoardConfig::lcdBits(lcd);
    if (clock)
        b |= ClockBit;
    if (button)
        b |= ButtonBit;
    if (sdCard)
        b |= SdCardBit;
    return b;
}

QList<ConfigControl> CpuBoardConfig::controls() const
{
    return BaseBoardConfig::lcdControls(lcd) + QList<ConfigControl>{{QStringLiteral("hardwareClock"), ClockText, clock},
                                                                    {QStringLiteral("pushButton"), ButtonText, button},
                                                                    {QStringLiteral("sdCard"), SdCardText, sdCard}};
}
