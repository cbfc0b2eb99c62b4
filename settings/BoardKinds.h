#pragma once

#include "ConfigControl.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>

class StepReporter;

// Every kind of board the settings know, in one table: the kind byte the board tells (EEPROM
// 0x0000), its settings dialog, its name as the dialogs' captions give it, and for the kinds
// whose dialog has one, the configuration byte (EEPROM 0x0002) with its steps and controls.
struct BoardKinds {
    enum class Dialog { BaseBoard, CpuBoard, LcdModule, IoModule };

    static constexpr std::uint8_t BaseBoard = 0;
    static constexpr std::uint8_t CpuBoard = 1;
    static constexpr std::uint8_t LcdModule = 2;
    static constexpr std::uint8_t IoModule = 16;

    // The configuration byte as the kind's dialog reads, shows and writes it.
    struct Config {
        std::optional<std::uint8_t> (*read)(StepReporter& steps);
        void (*write)(StepReporter& steps, std::uint8_t b);
        // What the dialog writes after showing `b` (the bits it does not show are dropped).
        std::uint8_t (*shown)(std::uint8_t b);
        // The dialog's controls for `b`, each with whether it is selected or ticked.
        QList<ConfigControl> (*controls)(std::uint8_t b);
    };

    struct Kind {
        std::uint8_t kind;
        Dialog dialog;
        QString name;
        std::optional<Config> config;
    };

    // The row of a kind byte; null for a kind without a dialog.
    static const Kind* of(std::uint8_t kind);
    // "CPU board (ATmega128 & AT90CAN128)"; "unknown" for a kind without a dialog.
    static QString name(std::uint8_t kind);
};
