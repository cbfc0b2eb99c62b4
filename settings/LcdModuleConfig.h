#pragma once

#include "ConfigControl.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>

class StepReporter;

// The configuration byte of the LCD module (EEPROM 0x0002). Only bit 2, the LCD on the I2C
// bus, is shown; the other bits are written as 0.
struct LcdModuleConfig {
    static constexpr std::uint8_t LcdOnI2CBit = 0x04;

    bool lcdOnI2C = false;

    [[nodiscard]] static LcdModuleConfig fromByte(std::uint8_t b) { return {(b & LcdOnI2CBit) != 0}; }
    [[nodiscard]] std::uint8_t toByte() const { return lcdOnI2C ? LcdOnI2CBit : std::uint8_t(0x00); }
    // The dialog's one control with its text, and whether it is ticked.
    [[nodiscard]] QList<ConfigControl> controls() const;
    friend bool operator==(const LcdModuleConfig&, const LcdModuleConfig&) = default;

    // Selects 0x0002 and reads the byte; the byte, or nothing when no data came.
    static std::optional<std::uint8_t> read(StepReporter& steps);
    // Selects 0x0002 and writes 0x04 or 0x00, unless the select was not acknowledged.
    static void write(StepReporter& steps, bool lcdOnI2C);
};
