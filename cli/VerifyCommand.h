#pragma once

#include "Command.h"

// "verify FILE.hex": the firmware download's steps without a block write; exit 0 when the
// board's firmware matches the file byte for byte, 1 with the first difference and their count.
class VerifyCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
};
