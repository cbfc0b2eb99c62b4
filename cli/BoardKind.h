#pragma once

#include "BoardKinds.h"
#include "Outcome.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>

class Session;
class StepReporter;

// What the commands need of the connected board's kind: asking it, refusing the wrong one, and
// its configuration byte as the board-kind table of the settings gives it.
class BoardKind {
public:
    static constexpr std::uint8_t BaseBoard = BoardKinds::BaseBoard;
    static constexpr std::uint8_t CpuBoard = BoardKinds::CpuBoard;
    static constexpr std::uint8_t LcdModule = BoardKinds::LcdModule;
    static constexpr std::uint8_t IoModule = BoardKinds::IoModule;

    // Asks the board for its kind, as the "Einstellungen" button does; nothing when it did not
    // tell. `outcome` names the first step that failed, also when the kind came all the same.
    static std::optional<std::uint8_t> ask(Session& session, const QString& job, Outcome& outcome);
    // The outcome for a board that is not of the kind a job needs.
    [[nodiscard]] static Outcome notA(const QString& job, std::uint8_t kind, std::uint8_t wanted);

    // Whether the kind's dialog has a configuration byte (base board, CPU board, LCD module).
    [[nodiscard]] static bool hasConfig(std::uint8_t kind);
    // Reads it with the steps of the kind's dialog.
    static std::optional<std::uint8_t> readConfig(std::uint8_t kind, StepReporter& steps);
    // Writes it with the steps of the kind's dialog.
    static void writeConfig(std::uint8_t kind, StepReporter& steps, std::uint8_t b);
    // Whether the kind's dialog could write `b`; `written` is what it would write instead.
    [[nodiscard]] static bool writable(std::uint8_t kind, std::uint8_t b, std::uint8_t& written);
    // The dialog's controls for `b`, each with whether it is selected or ticked.
    [[nodiscard]] static QList<ConfigControl> controls(std::uint8_t kind, std::uint8_t b);
    [[nodiscard]] static QJsonObject controlsJson(const QList<ConfigControl>& controls);
    // The lines that show them: "  [x] LCD on board enabled".
    [[nodiscard]] static QStringList controlLines(const QList<ConfigControl>& controls);
};
