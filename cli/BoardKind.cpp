#include "BoardKind.h"

#include "BaseBoardConfig.h"
#include "CpuBoardConfig.h"
#include "LcdModuleConfig.h"
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
                             .arg(SettingsDispatch::kindName(kind))
                             .arg(wanted)
                             .arg(SettingsDispatch::kindName(wanted)));
}

bool BoardKind::hasConfig(std::uint8_t kind) { return kind == BaseBoard || kind == CpuBoard || kind == LcdModule; }

std::optional<std::uint8_t> BoardKind::readConfig(std::uint8_t kind, StepReporter& steps)
{
    switch (kind) {
    case BaseBoard: return BaseBoardConfig::read(steps);
    case CpuBoard: return CpuBoardConfig::read(steps);
    case LcdModule: return LcdModuleConfig::read(steps);
    default: return std::nullopt;
    }
}

void BoardKind::writeConfig(std::uint8_t kind, StepReporter& steps, std::uint8_t b)
{
    switch (kind) {
    case BaseBoard: BaseBoardConfig::write(steps, b); break;
    case CpuBoard: CpuBoardConfig::write(steps, b); break;
    case LcdModule: LcdModuleConfig::write(steps, (b & LcdModuleConfig::LcdOnI2CBit) != 0); break;
    default: break;
    }
}

bool BoardKind::writable(std::uint8_t kind, std::uint8_t b, std::uint8_t& written)
{
    switch (kind) {
    case BaseBoard: written = BaseBoardConfig::fromByte(b).toByte(); break;
    case CpuBoard: written = CpuBoardConfig::fromByte(b).toByte(); break;
    case LcdModule: written = b & LcdModuleConfig::LcdOnI2CBit; break;
    default: written = b; return false;
    }
    return written == b;
}

QList<ConfigControl> BoardKind::controls(std::uint8_t kind, std::uint8_t b)
{
    switch (kind) {
    case BaseBoard: return BaseBoardConfig::fromByte(b).controls();
    case CpuBoard: return CpuBoardConfig::fromByte(b).controls();
    case LcdModule:
        return {{QStringLiteral("lcdOnI2c"), BaseBoardConfig::LcdOnI2CText, (b & LcdModuleConfig::LcdOnI2CBit) != 0}};
    default: return {};
    }
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
