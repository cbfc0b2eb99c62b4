#pragma once

#include "Command.h"

// "sd put PCFILE" and "sd get NAME [PCFILE]": text files to and from the CPU board's SD card.
// A signal stops the copy between two telegrams; the card's file is closed all the same.
class SdCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
};
