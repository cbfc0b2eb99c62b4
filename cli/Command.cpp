#include "Command.h"

#include "Console.h"
#include "Invocation.h"
#include "Session.h"
#include "StepReporter.h"

#include "AwlCommand.h"
#include "ConfigCommand.h"
#include "FlashCommand.h"
#include "I2cCommand.h"
#include "InfoCommand.h"
#include "OneWireCommand.h"
#include "PortsCommand.h"
#include "ResetCountersCommand.h"
#include "ScriptCommand.h"
#include "SdCommand.h"
#include "SendCommand.h"
#include "TerminalCommand.h"
#include "WatchCommand.h"

std::unique_ptr<Command> Command::make(const QString& word, Session& session)
{
    if (word == QLatin1String("ports"))
        return std::make_unique<PortsCommand>(session);
    if (word == QLatin1String("send"))
        return std::make_unique<SendCommand>(session);
    if (word == QLatin1String("info"))
        return std::make_unique<InfoCommand>(session);
    if (word == QLatin1String("config"))
        return std::make_unique<ConfigCommand>(session);
    if (word == QLatin1String("reset-counters"))
        return std::make_unique<ResetCountersCommand>(session);
    if (word == QLatin1String("i2c"))
        return std::make_unique<I2cCommand>(session);
    if (word == QLatin1String("onewire"))
        return std::make_unique<OneWireCommand>(session);
    if (word == QLatin1String("sd"))
        return std::make_unique<SdCommand>(session);
    if (word == QLatin1String("flash"))
        return std::make_unique<FlashCommand>(session);
    if (word == QLatin1String("awl"))
        return std::make_unique<AwlCommand>(session);
    if (word == QLatin1String("script"))
        return std::make_unique<ScriptCommand>(session);
    if (word == QLatin1String("terminal"))
        return std::make_unique<TerminalCommand>(session);
    if (word == QLatin1String("watch"))
        return std::make_unique<WatchCommand>(session);
    return nullptr;
}

const Invocation& Command::inv() const { return m_session.invocation(); }

Console& Command::console() const { return m_session.console(); }

Link& Command::link() const { return m_session.link(); }

QString Command::job() const
{
    static const QStringList withWord{QStringLiteral("config"), QStringLiteral("i2c"), QStringLiteral("onewire"),
                                      QStringLiteral("sd")};
    if (withWord.contains(inv().command))
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
