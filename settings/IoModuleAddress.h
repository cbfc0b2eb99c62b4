#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class StepReporter;

// The I2C address of the I/O module (EEPROM 0x0003), read and written with its step reports.
class IoModuleAddress {
public:
    static constexpr std::uint16_t Address = 0x0003;

    // Selects 0x0003 and reads the byte; the byte, or nothing when no data came.
    static std::optional<std::uint8_t> read(StepReporter& steps);
    // Selects 0x0003 and writes the low 8 bits of `text` taken as hex ("$" or "0x" in front
    // accepted). A text that is not hex throws EConvertError after the select, so nothing is
    // written. A select that is not acknowledged writes nothing (EepromByte::selectForWrite).
    // True when the write was acknowledged.
    static bool write(StepReporter& steps, const QString& text);
};
