#pragma once

#include "BaseBoardConfig.h"

#include <cstdint>
#include <optional>

class StepReporter;

// The configuration byte of the CPU board with the SD card (EEPROM 0x0002) as its dialog
// shows it. Bits 1 to 3 are the LCD connection (one of them, or none), bit 4 the hardware
// clock, bit 5 the push button on the display, bit 6 the SD card; bits 0 and 7 are not shown
// and are always written as 0. Read and written with the same steps as the base board's.
struct CpuBoardConfig {
    using Lcd = BaseBoardConfig::Lcd;

    // The texts beside the dialog's check boxes; the LCD choices read as on the base board.
    static inline const QString ClockText = QStringLiteral("Hardware Uhr enabled");
    static inline const QString ButtonText = QStringLiteral("push button on Display enabled");
    static inline const QString SdCardText = QStringLiteral("SD Card enabled");

    Lcd lcd = Lcd::Off;
    bool clock = false; // hardware clock
    bool button = false; // push button on the display
    bool sdCard = false; // SD card

    // With more than one LCD bit set the last one selected wins: RS232 before I2C before
    // on board.
    [[nodiscard]] static CpuBoardConfig fromByte(std::uint8_t b);
    [[nodiscard]] std::uint8_t toByte() const;
    // Every control of the dialog with its key and text, and whether it is selected or ticked.
    [[nodiscard]] QList<ConfigControl> controls() const;
    friend bool operator==(const CpuBoardConfig&, const CpuBoardConfig&) = default;

    static std::optional<std::uint8_t> read(StepReporter& steps) { return BaseBoardConfig::read(steps); }
    static void write(StepReporter& steps, std::uint8_t b) { BaseBoardConfig::write(steps, b); }
};
