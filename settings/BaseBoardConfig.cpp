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

BaseBoardConfig BaseBoardConfig::fromByte(std::uint8_t b)
{
    BaseBoardConfig c;
    c.cb0x40 = (b & CanBit) != 0;
    if (b & LcdOnBoardBit)
        c.lcd = Lcd::OnBoard;
    if (b & LcdOnI2CBit)
        c.lcd = Lcd::OnI2C;
    if (b & LcdOnRS232Bit)
        c.lcd = Lcd::OnRS232;
    c.cb0x10 = (b & ClockBit) != 0;
    c.cb0x20 = (b & ButtonBit) != 0;
    return c;
}

std::uint8_t BaseBoardConfig::toByte() const
{
    std::uint8_t b = 0;
    if (cb0x40)
        b |= CanBit;
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
    return b;
}

QList<ConfigControl> BaseBoardConfig::controls() const
{
    return {{QStringLiteral("lcdOff"), LcdOffText, lcd == Lcd::Off},
            {QStringLiteral("lcdOnBoard"), LcdOnBoardText, lcd == Lcd::OnBoard},
            {QStringLiteral("lcdOnI2c"), LcdOnI2CText, lcd == Lcd::OnI2C},
            {QStringLiteral("lcdOnRs232"), LcdOnRS232Text, lcd == Lcd::OnRS232},
            {QStringLiteral("canController"), CanText, cb0x40},
            {QStringLiteral("hardwareClock"), ClockText, cb0x10},
            {QStringLiteral("pushButton"), ButtonText, cb0x20}};
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
