#pragma once

#include "BoardKinds.h"
#include "StepFailure.h"

#include <QString>
#include <cstdint>
#include <optional>

class Link;
class LogSink;

// Asks the connected board what kind it is (EEPROM 0x0000) and says which settings dialog
// belongs to it. Reports go into the main terminal, at its caret.
class SettingsDispatch {
public:
    using Dialog = BoardKinds::Dialog;

    // Selects address 0x0000 and reads one byte. Returns the kind byte, or nothing when the
    // read gave no data (a timeout, a refusal or an unexpected answer, each reported). The
    // first step that failed goes into `failure` when one is given.
    static std::optional<std::uint8_t> askKind(Link& link, LogSink& terminal,
                                               std::optional<StepFailure>* failure = nullptr);
    // The dialog of a kind byte (the board-kind table): 0, 1, 2 and 16 have one, every other
    // kind none.
    static std::optional<Dialog> dialogFor(std::uint8_t kind);
    // What a board of that kind is, as the captions of the dialogs name it:
    // "CPU board (ATmega128 & AT90CAN128)"; "unknown" for a kind without a dialog.
    static QString kindName(std::uint8_t kind);
    // After the dialog (or none): the terminal shows incoming text again, and an empty line.
    static void finish(Link& link, LogSink& terminal);
};
