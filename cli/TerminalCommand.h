#pragma once

#include "Command.h"

#include <QByteArray>

class QSocketNotifier;
class QTimer;

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
    // A line of stdin (without its LF) to the board; an error ends the loop.
    void sendLine(const QByteArray& line);
    // What stdin has for us: each whole line is sent, the rest waits; at its end the rest is
    // sent and the board has QuietMs to go quiet.
    void readInput();

    bool m_showSent = false;
    QByteArray m_pending;
    bool m_endOfInput = false;
    std::optional<Outcome> m_ended;
    QEventLoop* m_loop = nullptr;
    QSocketNotifier* m_input = nullptr;
    QTimer* m_quiet = nullptr;
};
