#pragma once

#include <cstdint>
#include <optional>

class StepReporter;

// The configuration byte of the LCD module (EEPROM 0x0002). Only bit 2, the LCD on the I2C
// bus, is shown; the other bits are written as 0.
class LcdModuleConfig {
public:
    static constexpr std::uint8_t LcdOnI2CBit = 0x04;

    // Selects 0x0002 and reads the byte; the byte, or nothing when no data came.
    static std::optional<std::uint8_t> read(StepReporter& steps);
    // Selects 0x0002 and writes 0x04 or 0x00, unless the select was not acknowledged.
    static void write(StepReporter& steps, bool lcdOnI2C);
};
