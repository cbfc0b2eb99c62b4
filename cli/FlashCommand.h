#pragma once

#include "Command.h"

// "flash FILE.hex": the firmware download with verify, as "Download Firmware" runs it.
class FlashCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
    // The download tells a stop apart itself, and says where it left the board.
    [[nodiscard]] bool judgesStops() const override { return true; }
};
