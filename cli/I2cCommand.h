#pragma once

#include "Command.h"

// "i2c read" and "i2c write ADDR": the I2C address of the I/O module.
class I2cCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
};
