#pragma once

#include "Command.h"

#include <QByteArray>

// "terminal [--time]": the window's terminal on a shell. Each line read from stdin goes to the
// board with a CR, what the board sends is printed as it comes; --time sends the clock lines
// first. Ends at a signal (with 130), or at the end of stdin once the board has been quiet for
// QuietMs. The lines sent are shown too unless stdin is a terminal (which shows them itself).
class TerminalCommand : public Command {
public:
    static constexpr int QuietMs = 500;

    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] bool judgesStops() const override { return true; }

private:
    void sendLine(const QString& text);

    bool m_showSent = false;
};
