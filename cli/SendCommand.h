#pragma once

#include "Command.h"

#include <QStringList>

// "send TEXT": one telegram; prints the answer code and the data bytes, or the answer line as
// it came (--raw).
class SendCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;

    // The request of TEXT: hex bytes, the command first ("32 02 00"), framed as every telegram
    // is; or a whole telegram text (":aa03320200a5"), sent as it is with its CR. Empty, with
    // `error` saying why, for a text that is neither.
    [[nodiscard]] static QString request(const QStringList& text, QString& error);
};
