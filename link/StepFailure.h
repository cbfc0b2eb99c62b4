#pragma once

#include <QString>
#include <optional>

// The first step of a job that did not succeed: which step, and how it failed, so that a
// front end can name it in one line and a script can tell a silent board from a refusing one.
struct StepFailure {
    enum class Kind {
        NoAnswer,  // a time-out, an answer that is no valid telegram, no sign-on
        Refused,   // the board answered with a failure: "fail", an unexpected code, a verify difference
        File,      // a file on the PC that cannot be read or written, or that is not in its format
        Cancelled, // stopped on request before its end
    };

    Kind kind = Kind::NoAnswer;
    QString step;   // the step as its log line names it, e.g. "verify device"
    QString detail; // what went wrong, e.g. "timeout"

    // Keeps `failure` in `slot` unless an earlier one is there already.
    static void keepFirst(std::optional<StepFailure>& slot, StepFailure failure)
    {
        if (!slot)
            slot = std::move(failure);
    }
};
