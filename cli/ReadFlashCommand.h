#pragma once

#include "Command.h"

// "read-flash FILE.hex [--all]": the board's firmware area into an Intel HEX file, through
// the bootloader's block reads, as "read firmware into file…" does it in the window.
class ReadFlashCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
};
