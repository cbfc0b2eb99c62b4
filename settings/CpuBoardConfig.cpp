#include "CpuBoardConfig.h"

namespace {

constexpr std::uint8_t LcdOnBoardBit = 0x02;
constexpr std::uint8_t LcdOnI2CBit = 0x04;
constexpr std::uint8_t LcdOnRS232Bit = 0x08;
constexpr std::uint8_t ClockBit = 0x10;
constexpr std::uint8_t ButtonBit = 0x20;
constexpr std::uint8_t SdCardBit = 0x40;

} // namespace

CpuBoardConfig CpuBoardConfig::fromByte(std::uint8_t b)
{
    CpuBoardConfig c;
    if (b & LcdOnBoardBit)
        c.lcd = Lcd::OnBoard;
    if (b & LcdOnI2CBit)
        c.lcd = Lcd::OnI2C;
    if (b & LcdOnRS232Bit)
        c.lcd = Lcd::OnRS232;
    c.cb0x10 = (b & ClockBit) != 0;
    c.cb0x20 = (b & ButtonBit) != 0;
    c.cb0x40 = (b & SdCardBit) != 0;
    return c;
}

std::uint8_t CpuBoardConfig::toByte() const
{
    std::uint8_t b = 0;
    switch (lcd) {
    case Lcd::Off: break;
    case Lcd::OnBoard: b |= LcdOnBoardBit; break;
    case Lcd::OnI2C: b |= LcdOnI2CBit; break;
    case Lcd::OnRS232: b |= LcdOnRS232Bit; break;
    }
    if (cb0x10)
        b |= ClockBit;
    if (cb0x20)
        b |= ButtonBit;
    if (cb0x40)
        b |= SdCardBit;
    return b;
}

QList<ConfigControl> CpuBoardConfig::controls() const
{
    return {{QStringLiteral("lcdOff"), BaseBoardConfig::LcdOffText, lcd == Lcd::Off},
            {QStringLiteral("lcdOnBoard"), BaseBoardConfig::LcdOnBoardText, lcd == Lcd::OnBoard},
            {QStringLiteral("lcdOnI2c"), BaseBoardConfig::LcdOnI2CText, lcd == Lcd::OnI2C},
            {QStringLiteral("lcdOnRs232"), BaseBoardConfig::LcdOnRS232Text, lcd == Lcd::OnRS232},
            {QStringLiteral("hardwareClock"), ClockText, cb0x10},
            {QStringLiteral("pushButton"), ButtonText, cb0x20},
            {QStringLiteral("sdCard"), SdCardText, cb0x40}};
}
