#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class StepReporter;

// The five reset counters of a board (EEPROM 0x0016 to 0x001F, 16 bits each, low byte
// first), read and cleared with their step reports. Every settings dialog shows them alike.
class ResetCounters {
public:
    static constexpr std::uint16_t Address = 0x0016;
    static constexpr int Count = 5;

    // The label of counter `index` in the log, leading blanks included.
    [[nodiscard]] static QString label(int index);

    // Selects 0x0016 and reads the ten bytes. Shows one line per counter whose two bytes
    // both came (high byte first) and returns those counters; nothing when no data came.
    static std::optional<std::vector<std::uint16_t>> read(StepReporter& steps);
    // Selects 0x0016 and writes eight, then two zero bytes; both outcomes go on the
    // "Clear Reset Counter: " line. True when both writes were acknowledged; a select that is
    // not acknowledged writes nothing (EepromByte::selectForWrite).
    static bool clear(StepReporter& steps);
};
