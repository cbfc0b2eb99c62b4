#include "Outcome.h"

ExitCode Outcome::codeOf(StepFailure::Kind kind)
{
    switch (kind) {
    case StepFailure::Kind::NoAnswer: return ExitCode::NoAnswer;
    case StepFailure::Kind::Refused: return ExitCode::BoardFailure;
    case StepFailure::Kind::File: return ExitCode::UsageOrFile;
    case StepFailure::Kind::Cancelled: return ExitCode::Interrupted;
    }
    return ExitCode::BoardFailure;
}

Outcome Outcome::fromFailure(const QString& job, const StepFailure& failure)
{
    QString message = job + QStringLiteral(": \"") + failure.step + QStringLiteral("\" failed");
    if (!failure.detail.isEmpty())
        message += QStringLiteral(": ") + failure.detail;
    return {codeOf(failure.kind), message};
}
