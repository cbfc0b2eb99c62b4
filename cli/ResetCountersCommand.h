#pragma once

#include "Command.h"

#include <QJsonObject>
#include <QStringList>
#include <cstdint>
#include <vector>

// "reset-counters [--clear]": the five reset counters, zeroed first with --clear.
class ResetCountersCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;

    // "  Reset Counter: 23" and so on, the labels of the log.
    [[nodiscard]] static QStringList lines(const std::vector<std::uint16_t>& counters);
    // {"Reset Counter": 23, "external": 3, ...}
    [[nodiscard]] static QJsonObject json(const std::vector<std::uint16_t>& counters);
};
