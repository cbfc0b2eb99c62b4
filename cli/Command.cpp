#include "Command.h"

#include "BoardKind.h"
#include "Console.h"
#include "Invocation.h"
#include "Session.h"
#include "StepReporter.h"

#include "CommandTable.h"

#include <QEventLoop>
#include <QFile>

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

std::optional<Outcome> Command::openPortFor(const QString& inputFile) const
{
    QFile check(inputFile);
    if (!check.open(QIODevice::ReadOnly))
        return usage(QStringLiteral("cannot read %1: %2").arg(inputFile, check.errorString()));
    check.close();
    return openPort();
}

std::optional<Outcome> Command::openPort() const
{
    if (auto interrupted = stopped())
        return interrupted;
    if (auto failed = m_session.open(files())) {
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

std::optional<std::uint8_t> Command::askKind(Outcome& outcome)
{
    console().log().setColor(LogColors::Yellow);
    return BoardKind::ask(m_session, job(), outcome);
}

std::optional<std::uint8_t> Command::openBoard(Outcome& outcome, std::optional<std::uint8_t> wanted)
{
    if (auto failed = openPort()) {
        outcome = *failed;
        return std::nullopt;
    }
    const auto kind = askKind(outcome);
    if (!kind)
        return std::nullopt;
    if (wanted && *kind != *wanted) {
        outcome = BoardKind::notA(job(), *kind, *wanted);
        return std::nullopt;
    }
    if (auto interrupted = stopped()) {
        outcome = *interrupted;
        return std::nullopt;
    }
    return kind;
}

void Command::runUntilStopped(QEventLoop& loop)
{
    QObject::connect(&m_session, &Session::stopping, &loop, &QEventLoop::quit);
    QObject::connect(&m_session.port(), &TCustomComPort::LineLost, &loop, &QEventLoop::quit);
    if (!m_session.stopRequested() && m_session.port().Connected())
        loop.exec();
}

std::optional<Outcome> Command::runEnded(const std::optional<Outcome>& ended, bool noneAnswered) const
{
    if (m_session.lost() && !m_session.forced())
        return m_session.lostOutcome(job());
    if (auto interrupted = stopped())
        return interrupted;
    if (ended)
        return ended;
    if (noneAnswered)
        return Outcome::fail(ExitCode::NoAnswer, job() + QStringLiteral(": no telegram was answered"));
    return std::nullopt;
}
