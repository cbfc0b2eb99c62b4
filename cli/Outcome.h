#pragma once

#include "ExitCode.h"
#include "StepFailure.h"

#include <QString>

// How a command ended: its exit code and, unless it succeeded, the one line that says why.
struct Outcome {
    ExitCode code = ExitCode::Success;
    QString message; // without the program's name in front

    [[nodiscard]] bool ok() const { return code == ExitCode::Success; }

    static Outcome success() { return {}; }
    static Outcome fail(ExitCode code, const QString& message) { return {code, message}; }
    // `job`: "flash"; gives for instance flash: "verify device" failed: Fehler bei ...
    static Outcome fromFailure(const QString& job, const StepFailure& failure);
    // The exit code that belongs to a kind of failure.
    static ExitCode codeOf(StepFailure::Kind kind);
};
