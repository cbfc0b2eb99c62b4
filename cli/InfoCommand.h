#pragma once

#include "Command.h"

// "info": the board's kind with its name, the configuration byte with its settings named for
// that kind (the I2C address of an I/O module), and the five reset counters.
class InfoCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
};
