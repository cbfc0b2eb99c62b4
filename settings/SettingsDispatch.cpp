#include "SettingsDispatch.h"

#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"
#include "LogSink.h"

std::optional<std::uint8_t> SettingsDispatch::askKind(Link& link, LogSink& terminal)
{
    const auto failure = [&](std::uint8_t code) {
        terminal.setColor(LogColors::Yellow);
        if (code == 0)
            terminal.append(QStringLiteral("  timeout"));
        else if (code == CommandSet::Refused)
            terminal.append(QStringLiteral("  fail"));
    };
    // An acknowledged address select shows nothing; the read goes out whatever it answered.
    failure(link.SendTelegram(CommandSet::selectAddress(0x0000)));

    const std::uint8_t code = link.SendTelegram(CommandSet::eepromRead(1));
    if (code == CommandSet::EepromRead) {
        AnswerBytes answer{};
        link.GetAnswer(answer);
        return answer[2];
    }
    failure(code);
    if (code != 0 && code != CommandSet::Refused)
        terminal.addLine(QStringLiteral("Rückmeldung ungültig ? ") + ByteToHex(code));
    return std::nullopt;
}

std::optional<SettingsDispatch::Dialog> SettingsDispatch::dialogFor(std::uint8_t kind)
{
    switch (kind) {
    case 0: return Dialog::BaseBoard;
    case 1: return Dialog::CpuBoard;
    case 2: return Dialog::LcdModule;
    case 16: return Dialog::IoModule;
    default: return std::nullopt;
    }
}

void SettingsDispatch::finish(Link& link, LogSink& terminal)
{
    link.rx().RxMode = RxTerminal;
    terminal.addLine(QString());
}
