#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class StepReporter;

// One EEPROM byte read or written with the step lines of the module dialogs:
// "Adresse senden: 0x0003", then "Daten aus dem EEPROM lesen: " and "EEPR = $40 ", or
// "40 in das EEPROM schreiben: ".
class EepromByte {
public:
    // The line under a select that was not acknowledged, in place of the write.
    static inline const QString SkippedLine = QStringLiteral("write skipped: the EEPROM address was not selected");

    // Selects `address` and reads the byte; the byte, or nothing when no data came. An
    // unexpected answer code adds the "Rückmeldung ungültig ? " line.
    static std::optional<std::uint8_t> read(StepReporter& steps, std::uint16_t address);
    // Selects `address` with the line "Adresse senden: 0x...."; a read goes on whatever the
    // select answered.
    static void select(StepReporter& steps, std::uint16_t address);
    // Adds `line` and selects `address` before a write. Unless the board acknowledged the
    // select, the write would land at whatever address the board has: a line says it is
    // skipped, the step counts as failed, and false tells the caller to send nothing more.
    [[nodiscard]] static bool selectForWrite(StepReporter& steps, std::uint16_t address, const QString& line);
    [[nodiscard]] static bool selectForWrite(StepReporter& steps, std::uint16_t address);
    // Writes `b` at the selected address; true when acknowledged.
    static bool writeSelected(StepReporter& steps, std::uint8_t b);
};
