#include "BoardKind.h"

#include "Session.h"
#include "SettingsDispatch.h"
#include "StepReporter.h"

#include <QStringList>

std::optional<std::uint8_t> BoardKind::ask(Session& session, const QString& job, Outcome& outcome)
{
    std::optional<StepFailure> failure;
    const auto kind = SettingsDispatch::askKind(session.link(), session.log(), &failure);
    // A failed select counts even when the read still told the kind.
    if (failure)
        outcome = Outcome::fromFailure(job, *failure);
    else if (!kind)
        outcome = Outcome::fail(ExitCode::NoAnswer, job + QStringLiteral(": the board did not tell its kind"));
    else
        outcome = Outcome::success();
    return kind;
}

Outcome BoardKind::notA(const QString& job, std::uint8_t kind, std::uint8_t wanted)
{
    return Outcome::fail(ExitCode::BoardFailure,
                         QStringLiteral("%1: the board is of kind %2, %3; this needs kind %4, %5")
                             .arg(job)
                             .arg(kind)
                             .arg(BoardKinds::name(kind))
                             .arg(wanted)
                             .arg(BoardKinds::name(wanted)));
}

namespace {

const BoardKinds::Config* configOf(std::uint8_t kind)
{
    const auto* row = BoardKinds::of(kind);
    return row && row->config ? &*row->config : nullptr;
}

} // namespace

bool BoardKind::hasConfig(std::uint8_t kind) { return configOf(kind) != nullptr; }

std::optional<std::uint8_t> BoardKind::readConfig(std::uint8_t kind, StepReporter& steps)
{
    const auto* config = configOf(kind);
    return config ? config->read(steps) : std::nullopt;
}

void BoardKind::writeConfig(std::uint8_t kind, StepReporter& steps, std::uint8_t b)
{
    if (const auto* config = configOf(kind))
        config->write(steps, b);
}

bool BoardKind::writable(std::uint8_t kind, std::uint8_t b, std::uint8_t& written)
{
    const auto* config = configOf(kind);
    written = config ? config->shown(b) : b;
    return config && written == b;
}

QList<ConfigControl> BoardKind::controls(std::uint8_t kind, std::uint8_t b)
{
    const auto* config = configOf(kind);
    return config ? config->controls(b) : QList<ConfigControl>();
}

QJsonObject BoardKind::controlsJson(const QList<ConfigControl>& controls)
{
    QJsonObject o;
    for (const ConfigControl& c : controls)
        o[c.key] = c.on;
    return o;
}

QStringList BoardKind::controlLines(const QList<ConfigControl>& controls)
{
    QStringList lines;
    for (const ConfigControl& c : controls)
        lines << (c.on ? QStringLiteral("  [x] ") : QStringLiteral("  [ ] ")) + c.text;
    return lines;
}
