#pragma once

#include "Command.h"

// "flash FILE.hex": the firmware download with verify, as "Download Firmware" runs it.
class FlashCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
};
