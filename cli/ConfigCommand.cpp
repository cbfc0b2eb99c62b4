#include "ConfigCommand.h"

#include "BoardKind.h"
#include "Console.h"
#include "HexText.h"
#include "Invocation.h"
#include "Session.h"
#include "SettingsDispatch.h"
#include "StepReporter.h"

std::optional<std::uint8_t> ConfigCommand::byte(const QString& text)
{
    const QString t = text.trimmed();
    if (!IsIntegerText(t) || t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')))
        return std::nullopt;
    const std::int32_t value = StrToInt(t);
    if (value < 0 || value > 255)
        return std::nullopt;
    return std::uint8_t(value);
}

Outcome ConfigCommand::run()
{
    const bool write = inv().arg(0) == QLatin1String("write");
    std::optional<std::uint8_t> value;
    if (write) {
        value = byte(inv().arg(1));
        if (!value)
            return usage(QStringLiteral("'%1' is no byte (0x13, $13 or 19)").arg(inv().arg(1)));
    }
    Outcome outcome;
    const auto kind = openBoard(outcome);
    if (!kind)
        return outcome;
    StepReporter steps(link(), m_session.log());
    if (!BoardKind::hasConfig(*kind))
        return Outcome::fail(ExitCode::BoardFailure,
                             QStringLiteral("%1: a board of kind %2 (%3) has no configuration byte")
                                 .arg(job())
                                 .arg(*kind)
                                 .arg(SettingsDispatch::kindName(*kind)));
    if (write) {
        std::uint8_t written = 0;
        if (!BoardKind::writable(*kind, *value, written))
            return usage(
                QStringLiteral("0x%1 is no configuration of a %2; its settings would write 0x%3")
                    .arg(ByteToHexDigits(*value), SettingsDispatch::kindName(*kind), ByteToHexDigits(written)));
        if (auto interrupted = stopped())
            return *interrupted;
        BoardKind::writeConfig(*kind, steps, *value);
        return outcome.ok() ? outcomeOf(steps) : outcome;
    }

    const auto config = BoardKind::readConfig(*kind, steps);
    if (outcome.ok())
        outcome = outcomeOf(steps);
    if (inv().json) {
        QJsonObject o;
        o[QStringLiteral("kind")] = int(*kind);
        o[QStringLiteral("kindName")] = SettingsDispatch::kindName(*kind);
        if (config) {
            o[QStringLiteral("config")] = int(*config);
            o[QStringLiteral("settings")] = BoardKind::controlsJson(BoardKind::controls(*kind, *config));
        }
        if (!outcome.ok())
            o[QStringLiteral("error")] = outcome.message;
        console().json(o);
    } else if (config) {
        console().result(QStringLiteral("configuration byte 0x") + ByteToHexDigits(*config));
        for (const QString& line : BoardKind::controlLines(BoardKind::controls(*kind, *config)))
            console().result(line);
    }
    return outcome;
}
