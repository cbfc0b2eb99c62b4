#pragma once

#include "ReceiveDispatcher.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

class LogSink;
class TCustomComPort;

// The length byte of the last answer and the up to 100 bytes behind it.
using AnswerBytes = std::array<std::uint8_t, 101>;

// The line to one board: the telegram transaction, the waits of every exchange and the rule
// that only one exchange runs at a time. Waiting pumps the event loop but sleeps in it until an
// event or the deadline, so a silent board costs no CPU.
//
// Who may send when: the line is busy while a Hold is held, and every wait holds it while it
// pumps events (for an answer, a sleep, one pass of the event loop), as does a job that shows a
// dialog in the middle of its exchanges; nothing may start an exchange on a busy line.
// Whatever would start one (a click, a timer tick, SendTelegram itself) asks refuseIfBusy()
// first, which says so in the terminal, and a poll that only repeats skips its tick on busy().
class Link : public QObject {
    Q_OBJECT
public:
    static constexpr std::uint32_t TelegramTimeout = 5000;

    Link(TCustomComPort& port, LogSink& terminal, QObject* parent = nullptr);
    ~Link() override;

    [[nodiscard]] ReceiveDispatcher& rx() { return m_rx; }
    [[nodiscard]] TCustomComPort& port() { return m_port; }
    [[nodiscard]] LogSink& terminal() { return m_terminal; }
    // Routes the port's received-characters event to the dispatcher (the main window does
    // this through its own handler).
    void ConnectDispatcher();

    // One request/answer telegram: returns the answer code, 0 for no or a malformed answer.
    // Throws EConvertError for a hex group that does not convert, and the port's errors.
    // `timeoutMs` is the time the answer may take; a poll that must keep its pace waits less.
    // The receive mode stays at the answer line; the caller's job hands the terminal back.
    std::uint8_t SendTelegram(const QString& request, std::uint32_t timeoutMs = TelegramTimeout);
    void GetAnswer(AnswerBytes& destination) const { destination = m_answer; }
    [[nodiscard]] const AnswerBytes& AnswerBuffer() const { return m_answer; }
    // The data bytes of the last answer (behind its answer code), as many as its length byte
    // says; empty when the last telegram brought no valid answer. Read answers through this,
    // so that a short answer never hands out bytes left over from an earlier one.
    [[nodiscard]] std::span<const std::uint8_t> AnswerData() const;
    void SetTelegramEcho() { m_echo = true; }
    void ClearTelegramEcho() { m_echo = false; }
    [[nodiscard]] bool TelegramEcho() const { return m_echo; }

    // True while a wait pumps events or a Hold keeps the line.
    [[nodiscard]] bool busy() const { return m_holds > 0; }
    // If busy, says in the terminal that `what` was refused and returns true.
    bool refuseIfBusy(const QString& what);

    // Keeps the line busy for its lifetime: every wait holds it, and a job holds it while it
    // waits on the user (a file dialog), so that no timer or click starts an exchange there.
    class Hold {
    public:
        explicit Hold(Link& link);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        Link& m_link;
    };

    // Receiving: the dispatcher takes the board's bytes by its receive mode, and only the link
    // sets that mode. An exchange leaves its mode set when it ends, also when an error unwinds:
    // what trails an answer, or comes late for one that timed out, is taken as that mode takes
    // it (after a telegram it goes into RxText, not into the terminal). The terminal has its
    // mode back only where it is handed back:
    //   - a line from the terminal (sendTerminalText), before it goes out;
    //   - the pause after the bootloader's sign-on (Bootloader::ContactBoard);
    //   - the end of a Conversation, however it ends.
    //
    // Sets the mode for the input awaited next and forgets the last input (its completion,
    // text and count); for a dialogue that waits its own way (the bootloader's sign-on).
    void expect(RxModes mode);
    // The terminal shows what the board sends.
    void toTerminal();
    // expect(mode), writes `bytes` and waits up to `timeoutMs` for the input the mode awaits.
    // Returns whether it came (the port's errors propagate). The mode stays set afterwards.
    bool exchange(const QByteArray& bytes, RxModes mode, std::uint32_t timeoutMs);

    // A job with the board that hands the terminal its mode back when it ends, however it ends:
    // a download, the settings dispatch with its dialog, the script monitor and the debug
    // window while they are open. Between its exchanges the mode of the last one stays. One
    // that runs inside another (a download that the file synchronization starts while the
    // script monitor is open) hands the terminal back at its own end as well, so that no mode
    // of its dialogue is left behind; the outer job's next exchange sets its own again.
    class Conversation {
    public:
        explicit Conversation(Link& link) : m_link(link) {}
        ~Conversation() { m_link.toTerminal(); }
        Conversation(const Conversation&) = delete;
        Conversation& operator=(const Conversation&) = delete;

    private:
        Link& m_link;
    };

    // Writes to the port (the port's errors propagate).
    void write(const QByteArray& bytes);
    // A line of the terminal, as "Send" sends it: the terminal shows the board's text again,
    // the line is shown in yellow (unless `shown` is false), and it goes out in Latin-1.
    void sendTerminalText(const QString& text, bool shown = true);
    // Waits until the dispatcher completes the current input, the time is over, or the port
    // closes. Returns AnswerComplete.
    bool waitForAnswer(std::uint32_t timeoutMs);
    // Sleeps for `ms` milliseconds as the bootloader dialogue always has: the window stays
    // alive, but the line is not read, so what the board sends meanwhile waits in the input
    // queue until the next wait or pass of the event loop looks at it.
    void sleep(std::uint32_t ms);
    // Handles the events that are pending now.
    void pumpEvents();
    // Hands what waits in the input queue to the dispatcher until it takes no more. The
    // dispatcher stops after each completed input, so one look at the line may take several
    // passes.
    void dispatchWaiting();

Q_SIGNALS:
    void busyChanged(bool busy);
    // A wait for the board (an answer, a sleep) begins (true) or ends (false); a front end may
    // show that the program is busy when one lasts long. Nested waits count as one.
    void waitingChanged(bool waiting);

private:
    class Waiting;
    std::uint8_t decodeAnswer();

    TCustomComPort& m_port;
    LogSink& m_terminal;
    ReceiveDispatcher m_rx;
    AnswerBytes m_answer{};
    bool m_echo = false;
    bool m_answerValid = false;
    int m_holds = 0;
    int m_waits = 0;
    int m_portWaits = 0; // waits of the port for its far end
};
