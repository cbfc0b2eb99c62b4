#pragma once

#include "Command.h"

#include <cstdint>
#include <optional>

// "config read" and "config write BYTE": the configuration byte, with the steps and the
// settings of the board kind's dialog.
class ConfigCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;

    // A byte as typed: "0x13", "$13" or "19"; nothing for a text that is no byte.
    [[nodiscard]] static std::optional<std::uint8_t> byte(const QString& text);
};
