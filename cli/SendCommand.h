#pragma once

#include "Command.h"

#include <QStringList>
#include <cstdint>
#include <vector>

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

private:
    // What came back for a request.
    struct Answer {
        bool answered = false; // a line came
        bool valid = false;    // and it was a telegram with an answer code
        int code = 0;
        QString line; // as it came, without its line end
        std::vector<std::uint8_t> data;
    };
    [[nodiscard]] Answer exchange(const QString& request);
    // The result on stdout: the object of --json, the line of --raw, or the code and the data.
    void show(const QString& request, const Answer& answer);
    [[nodiscard]] Outcome judge(const Answer& answer) const;
};
