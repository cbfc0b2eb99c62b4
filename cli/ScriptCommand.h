#pragma once

#include "Command.h"

#include <cstdint>
#include <optional>

class MeasurementLogFile;
class SendList;

// "script LIST.csv [--loop] [--log FILE] [--info]": a send list run as auto send runs it, on
// the 100 ms tick with the rows' delays: one pass, or again and again with --loop until a
// signal or a CLW row after a failure stops it. The script monitor's log lines go to stdout,
// its measurement log file to --log.
//
// Exit code: 1 when a row left the fault flag set (the row is named), 3 when no telegram of
// the run was answered, 130 when a signal ended it.
class ScriptCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
    [[nodiscard]] bool judgesStops() const override { return true; }

private:
    // Reads the list, opens the port and the measurement log file; the outcome when one fails.
    [[nodiscard]] std::optional<Outcome> open(SendList& list, MeasurementLogFile& logFile);
    // How the run ended: the port, a signal, an error, no answer at all, a row that failed.
    [[nodiscard]] Outcome judge(std::uint64_t sent, std::uint64_t unanswered, int faultRow, const QString& faultCommand,
                                const std::optional<Outcome>& ended) const;
};
