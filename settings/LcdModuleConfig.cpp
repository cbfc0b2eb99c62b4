#include "LcdModuleConfig.h"

#include "BaseBoardConfig.h"
#include "EepromByte.h"

namespace {

constexpr std::uint16_t ConfigAddress = 0x0002;

} // namespace

QList<ConfigControl> LcdModuleConfig::controls() const
{
    return {{QStringLiteral("lcdOnI2c"), BaseBoardConfig::LcdOnI2CText, lcdOnI2C}};
}

std::optional<std::uint8_t> LcdModuleConfig::read(StepReporter& steps)
{
    return EepromByte::read(steps, ConfigAddress);
}

void LcdModuleConfig::write(StepReporter& steps, bool lcdOnI2C)
{
    if (!EepromByte::selectForWrite(steps, ConfigAddress))
        return;
    (void)EepromByte::writeSelected(steps, LcdModuleConfig{lcdOnI2C}.toByte());
}
