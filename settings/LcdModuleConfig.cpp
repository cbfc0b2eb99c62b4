#include "LcdModuleConfig.h"

#include "EepromByte.h"

namespace {

constexpr std::uint16_t ConfigAddress = 0x0002;

} // namespace

std::optional<std::uint8_t> LcdModuleConfig::read(StepReporter& steps)
{
    return EepromByte::read(steps, ConfigAddress);
}

void LcdModuleConfig::write(StepReporter& steps, bool lcdOnI2C)
{
    if (!EepromByte::selectForWrite(steps, ConfigAddress))
        return;
    (void)EepromByte::writeSelected(steps, lcdOnI2C ? LcdOnI2CBit : std::uint8_t(0x00));
}
