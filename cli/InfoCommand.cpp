#include "InfoCommand.h"

#include "BoardKind.h"
#include "Console.h"
#include "HexText.h"
#include "Invocation.h"
#include "IoModuleAddress.h"
#include "ResetCounters.h"
#include "ResetCountersCommand.h"
#include "Session.h"
#include "SettingsDispatch.h"
#include "StepReporter.h"

Outcome InfoCommand::run()
{
    if (auto failed = openPort())
        return *failed;
    Outcome outcome;
    const auto kind = askKind(outcome);
    StepReporter steps(link(), m_session.log());
    QJsonObject o;
    std::optional<std::uint8_t> config, address;
    std::optional<std::vector<std::uint16_t>> counters;
    if (kind) {
        if (BoardKind::hasConfig(*kind))
            config = BoardKind::readConfig(*kind, steps);
        else if (*kind == BoardKind::IoModule)
            address = IoModuleAddress::read(steps);
        if (!stopped())
            counters = ResetCounters::read(steps);
    }
    if (outcome.ok())
        outcome = outcomeOf(steps);

    if (inv().json) {
        if (kind) {
            o[QStringLiteral("kind")] = int(*kind);
            o[QStringLiteral("kindName")] = SettingsDispatch::kindName(*kind);
        }
        if (config) {
            o[QStringLiteral("config")] = int(*config);
            o[QStringLiteral("settings")] = BoardKind::controlsJson(BoardKind::controls(*kind, *config));
        }
        if (address)
            o[QStringLiteral("i2cAddress")] = int(*address);
        if (counters)
            o[QStringLiteral("resetCounters")] = ResetCountersCommand::json(*counters);
        if (!outcome.ok())
            o[QStringLiteral("error")] = outcome.message;
        console().json(o);
        return outcome;
    }
    if (kind)
        console().result(QStringLiteral("board kind %1: %2").arg(*kind).arg(SettingsDispatch::kindName(*kind)));
    if (config) {
        console().result(QStringLiteral("configuration byte 0x") + ByteToHexDigits(*config));
        for (const QString& line : BoardKind::controlLines(BoardKind::controls(*kind, *config)))
            console().result(line);
    }
    if (address)
        console().result(QStringLiteral("I2C address ") + ByteToHexDigits(*address));
    if (counters) {
        console().result(QStringLiteral("reset counters"));
        for (const QString& line : ResetCountersCommand::lines(*counters))
            console().result(line);
    }
    return outcome;
}
