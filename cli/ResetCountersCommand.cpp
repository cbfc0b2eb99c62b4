#include "ResetCountersCommand.h"

#include "Console.h"
#include "Invocation.h"
#include "ResetCounters.h"
#include "Session.h"
#include "StepReporter.h"

#include <array>

namespace {

// The counters' keys in --json, in the order of the labels; they stay when a label changes.
QString key(int index)
{
    static const std::array<QString, ResetCounters::Count> keys{
        QStringLiteral("powerOn"),  QStringLiteral("external"), QStringLiteral("brownOut"),
        QStringLiteral("watchdog"), QStringLiteral("jtag"),
    };
    return keys.at(std::size_t(index));
}

} // namespace

QStringList ResetCountersCommand::lines(const std::vector<std::uint16_t>& counters)
{
    QStringList lines;
    for (std::size_t i = 0; i < counters.size(); ++i)
        lines << QStringLiteral("  ") + ResetCounters::label(int(i)).rightJustified(16) + QString::number(counters[i]);
    return lines;
}

QJsonObject ResetCountersCommand::json(const std::vector<std::uint16_t>& counters)
{
    QJsonObject o;
    for (std::size_t i = 0; i < counters.size(); ++i)
        o[key(int(i))] = int(counters[i]);
    return o;
}

Outcome ResetCountersCommand::run()
{
    if (auto failed = openPort())
        return *failed;
    console().log().setColor(LogColors::Yellow);
    StepReporter steps(link(), m_session.log());
    bool cleared = false;
    if (inv().has("clear"))
        cleared = ResetCounters::clear(steps);
    if (auto interrupted = stopped())
        return *interrupted;
    const auto counters = ResetCounters::read(steps);
    const Outcome outcome = outcomeOf(steps);
    if (inv().json) {
        QJsonObject o;
        if (inv().has("clear"))
            o[QStringLiteral("cleared")] = cleared;
        if (counters)
            o[QStringLiteral("resetCounters")] = json(*counters);
        if (!outcome.ok())
            o[QStringLiteral("error")] = outcome.message;
        console().json(o);
    } else if (counters) {
        console().result(QStringLiteral("reset counters"));
        for (const QString& line : lines(*counters))
            console().result(line);
    }
    return outcome;
}
