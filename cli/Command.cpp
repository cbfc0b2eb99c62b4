#include "Command.h"

#include "Console.h"
#include "Invocation.h"
#include "Session.h"
#include "StepReporter.h"

#include "CommandTable.h"

std::unique_ptr<Command> Command::make(const QString& word, Session& session)
{
    const CommandTable::Row* row = CommandTable::find(word);
    return row ? row->make(session) : nullptr;
}

const Invocation& Command::inv() const { return m_session.invocation(); }

Console& Command::console() const { return m_session.console(); }

Link& Command::link() const { return m_session.link(); }

QString Command::job() const
{
    // A command with sub-words names its job with the sub-word: "config write".
    const CommandTable::Row* row = CommandTable::find(inv().command);
    if (row && !row->subWords.isEmpty())
        return inv().command + QLatin1Char(' ') + inv().arg(0);
    return inv().command;
}

Outcome Command::usage(const QString& text) const
{
    return Outcome::fail(ExitCode::UsageOrFile, job() + QStringLiteral(": ") + text);
}

std::optional<Outcome> Command::openPort() const
{
    if (auto interrupted = stopped())
        return interrupted;
    if (auto failed = m_session.open()) {
        failed->message = job() + QStringLiteral(": ") + failed->message;
        return failed;
    }
    return std::nullopt;
}

Outcome Command::outcomeOf(const StepReporter& steps) const
{
    if (const auto& failure = steps.failure())
        return Outcome::fromFailure(job(), *failure);
    return Outcome::success();
}

std::optional<Outcome> Command::stopped() const
{
    if (!m_session.stopRequested())
        return std::nullopt;
    return Outcome::fail(ExitCode::Interrupted, job() + QStringLiteral(": interrupted"));
}
