#include "BaseBoardConfig.h"

#include "CommandSet.h"
#include "EepromByte.h"
#include "HexText.h"
#include "Link.h"
#include "StepReporter.h"

namespace {

constexpr std::uint8_t CanBit = 0x01;
constexpr std::uint8_t LcdOnBoardBit = 0x02;
constexpr std::uint8_t LcdOnI2CBit = 0x04;
constexpr std::uint8_t LcdOnRS232Bit = 0x08;
constexpr std::uint8_t ClockBit = 0x10;
constexpr std::uint8_t ButtonBit = 0x20;
constexpr std::uint16_t ConfigAddress = 0x0002;

} // namespace

BaseBoardConfig::Lcd BaseBoardConfig::lcdFromByte(std::uint8_t b)
{
    Lcd lcd = Lcd::Off;
    if (b & LcdOnBoardBit)
        lcd = Lcd::OnBoard;
    if (b & LcdOnI2CBit)
        lcd = Lcd::OnI2C;
    if (b & LcdOnRS232Bit)
        lcd = Lcd::OnRS232;
    return lcd;
}

std::uint8_t BaseBoardConfig::lcdBits(Lcd lcd)
{
    switch (lcd) {
    case Lcd::Off: break;
    case Lcd::OnBoard: return LcdOnBoardBit;
    case Lcd::OnI2C: return LcdOnI2CBit;
    case Lcd::OnRS232: return LcdOnRS232Bit;
    }
    return 0;
}

QList<ConfigControl> BaseBoardConfig::lcdControls(Lcd lcd)
{
    return {{QStringLiteral("lcdOff"), LcdOffText, lcd == Lcd::Off},
            {QStringLiteral("lcdOnBoard"), LcdOnBoardText, lcd == Lcd::OnBoard},
            {QStringLiteral("lcdOnI2c"), LcdOnI2CText, lcd == Lcd::OnI2C},
            {QStringLiteral("lcdOnRs232"), LcdOnRS232Text, lcd == Lcd::OnRS232}};
}

BaseBoardConfig BaseBoardConfig::fromByte(std::uint8_t b)
{
    BaseBoardConfig c;
    c.can = (b & CanBit) != 0;
    c.lcd = lcdFromByte(b);
    c.clock = (b & ClockBit) != 0;
    c.button = (b & ButtonBit) != 0;
    return c;
}

std::uint8_t BaseBoardConfig::toByte() const
{
    std::uint8_t b = lcdBits(lcd);
    if (can)
        b |= CanBit;
    if (clock)
        b |= ClockBit;
    if (button)
        b |= ButtonBit;
    return b;
}

QList<ConfigControl> BaseBoardConfig::controls() const
{
    return lcdControls(lcd) + QList<ConfigControl>{{QStringLiteral("canController"), CanText, can},
                                                   {QStringLiteral("hardwareClock"), ClockText, clock},
                                                   {QStringLiteral("pushButton"), ButtonText, button}};
}

std::optional<std::uint8_t> BaseBoardConfig::read(StepReporter& steps)
{
    steps.writeStep(QStringLiteral("select address: 0x0002"), CommandSet::selectAddress(ConfigAddress));
    const std::uint8_t code = steps.readStep(QStringLiteral(" read: "), CommandSet::eepromRead(1));
    const auto data = steps.link().AnswerData();
    if (code == CommandSet::EepromRead && !data.empty()) {
        const std::uint8_t b = data[0];
        steps.append(QStringLiteral("0x") + ByteToHexDigits(b) + QLatin1Char(' '));
        return b;
    }
    // A data answer without its byte is invalid like any unexpected code.
    if (code == CommandSet::EepromRead || StepReporter::isUnexpected(code, CommandSet::EepromRead)) {
        const QString line = QStringLiteral("Rückmeldung ungültig ? 0x") + ByteToHexDigits(code);
        steps.addLine(line);
        steps.noteFailure(StepFailure::Kind::Refused, line);
    }
    return std::nullopt;
}

void BaseBoardConfig::write(StepReporter& steps, std::uint8_t b)
{
    if (!EepromByte::selectForWrite(steps, ConfigAddress, QStringLiteral("select address: 0x0002")))
        return;
    steps.writeStep(QStringLiteral(" write 0x") + ByteToHexDigits(b), CommandSet::eepromWriteByte(b));
}
