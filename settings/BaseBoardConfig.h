#pragma once

#include "ConfigControl.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>

class StepReporter;

// The configuration byte of a base board (EEPROM 0x0002) as the dialog shows it, and the
// read and write of that byte with their step reports.
//
// Bit 0 is the CAN controller (the box named CB_0x40 stands for it), bits 1 to 3 the LCD
// connection (one of them, or none), bit 4 the hardware clock, bit 5 the push button on the
// display; bits 6 and 7 are not shown and are always written as 0.
struct BaseBoardConfig {
    enum class Lcd { Off, OnBoard, OnI2C, OnRS232 };

    // The texts beside the dialog's controls.
    static inline const QString LcdOffText = QStringLiteral("LCD disabled");
    static inline const QString LcdOnBoardText = QStringLiteral("LCD on board enabled");
    static inline const QString LcdOnI2CText = QStringLiteral("LCD on I2C bus enabled");
    static inline const QString LcdOnRS232Text = QStringLiteral("LCD on RS232 enabled");
    static inline const QString CanText = QStringLiteral("CAN Controller disable / enable");
    static inline const QString ClockText = QStringLiteral("Harware Uhr disable / enable");
    static inline const QString ButtonText = QStringLiteral("push button on LCD Display");

    Lcd lcd = Lcd::Off;
    bool clock = false; // hardware clock
    bool button = false; // push button on the display
    bool can = false; // CAN controller, bit 0

    // With more than one LCD bit set the last one selected wins: RS232 before I2C before
    // on board.
    [[nodiscard]] static BaseBoardConfig fromByte(std::uint8_t b);
    [[nodiscard]] std::uint8_t toByte() const;
    // Every control of the dialog with its key and text, and whether it is selected or ticked.
    [[nodiscard]] QList<ConfigControl> controls() const;
    friend bool operator==(const BaseBoardConfig&, const BaseBoardConfig&) = default;

    // The LCD connection in bits 1 to 3, as the base board and the CPU board both keep it.
    [[nodiscard]] static Lcd lcdFromByte(std::uint8_t b);
    [[nodiscard]] static std::uint8_t lcdBits(Lcd lcd);
    // The four LCD choices with whether each is selected.
    [[nodiscard]] static QList<ConfigControl> lcdControls(Lcd lcd);

    // Selects 0x0002 and reads the byte; the byte, or nothing when no data came.
    static std::optional<std::uint8_t> read(StepReporter& steps);
    // Selects 0x0002 and writes `b`; nothing is written unless the select was acknowledged.
    static void write(StepReporter& steps, std::uint8_t b);
};
