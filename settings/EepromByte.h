#pragma once

#include <cstdint>
#include <optional>

class StepReporter;

// One EEPROM byte read or written with the step lines of the module dialogs:
// "Adresse senden: 0x0003", then "Daten aus dem EEPROM lesen: " and "EEPR = $40 ", or
// "40 in das EEPROM schreiben: ".
class EepromByte {
public:
    // Selects `address` and reads the byte; the byte, or nothing when no data came. An
    // unexpected answer code adds the "Rückmeldung ungültig ? " line.
    static std::optional<std::uint8_t> read(StepReporter& steps, std::uint16_t address);
    // Selects `address`; the write goes out whatever the select answered.
    static void select(StepReporter& steps, std::uint16_t address);
    // Writes `b` at the selected address; true when acknowledged.
    static bool writeSelected(StepReporter& steps, std::uint8_t b);
};
