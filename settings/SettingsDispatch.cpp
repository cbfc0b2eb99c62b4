#include "SettingsDispatch.h"

#include "BoardKinds.h"
#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"
#include "LogSink.h"

std::optional<std::uint8_t> SettingsDispatch::askKind(Link& link, LogSink& terminal,
                                                      std::optional<StepFailure>* failure)
{
    const auto note = [&](StepFailure::Kind kind, const QString& step, const QString& detail) {
        if (failure)
            StepFailure::keepFirst(*failure, {kind, step, detail});
    };
    const auto report = [&](std::uint8_t code, const QString& step) {
        terminal.setColor(LogColors::Yellow);
        if (code == 0) {
            terminal.append(QStringLiteral("  timeout"));
            note(StepFailure::Kind::NoAnswer, step, QStringLiteral("timeout"));
        } else if (code == CommandSet::Refused) {
            terminal.append(QStringLiteral("  fail"));
            note(StepFailure::Kind::Refused, step, QStringLiteral("fail"));
        }
    };
    const QString selectStep = QStringLiteral("select address: 0x0000");
    const QString readStep = QStringLiteral("read board kind");
    // An acknowledged address select shows nothing; the read goes out whatever it answered.
    report(link.SendTelegram(CommandSet::selectAddress(0x0000)), selectStep);

    const std::uint8_t code = link.SendTelegram(CommandSet::eepromRead(1));
    const auto data = link.AnswerData();
    if (code == CommandSet::EepromRead && !data.empty())
        return data[0];
    report(code, readStep);
    // A data answer without its byte is invalid like any unexpected code.
    if (code != 0 && code != CommandSet::Refused) {
        const QString line = QStringLiteral("Rückmeldung ungültig ? ") + ByteToHex(code);
        terminal.addLine(line);
        note(StepFailure::Kind::Refused, readStep, line);
    }
    return std::nullopt;
}

std::optional<SettingsDispatch::Dialog> SettingsDispatch::dialogFor(std::uint8_t kind)
{
    if (const auto* row = BoardKinds::of(kind))
        return row->dialog;
    return std::nullopt;
}

QString SettingsDispatch::kindName(std::uint8_t kind) { return BoardKinds::name(kind); }

void SettingsDispatch::finish(Link& link, LogSink& terminal)
{
    link.toTerminal();
    terminal.addLine(QString());
}
