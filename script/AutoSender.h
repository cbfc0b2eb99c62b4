#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstdint>
#include <exception>
#include <functional>

class Link;
class LogSink;
class ScriptInterpreter;
class SendList;
struct ScriptState;

// Runs the send list row after row on the 100 ms tick: a row's delay counts from its start,
// ticks that fall into a running row still count it down, and the list loops until it is
// stopped (by hand, by CLW after a failure, or by an error of the port or the log file).
//
// A tick starts no row while a row runs or while anyone else's exchange holds the line; it
// does no more than count while a delay is pending or auto send is off.
//
// The row a tick starts runs just after the tick, from the event loop: a timer is not
// delivered again while its own handler runs (not even inside the row's waits), and the ticks
// that fall into a row must count its delay down.
class AutoSender {
public:
    AutoSender(ScriptState& state, SendList& list, ScriptInterpreter& interpreter, Link& link, LogSink& log);
    ~AutoSender();
    AutoSender(const AutoSender&) = delete;
    AutoSender& operator=(const AutoSender&) = delete;

    // One tick of the 100 ms timer. A row that is due is marked busy here and runs once the
    // event loop is reached again.
    void timerStart();
    // "Auto Senden" / "Break Senden".
    void btSendenClick();
    // From row 0, without delay, with the fault flag cleared.
    void start();
    // Keeps the timer from starting further rows; a running row goes on to its end.
    void stop();
    [[nodiscard]] bool running() const;

    std::function<void(bool running)> runningChanged;
    // Around every row the tick runs (for the window and for measurements).
    std::function<void(int row)> rowStarting;
    std::function<void(int row)> rowFinished;
    // The boundary of the rows the tick starts, which run from the event loop: an error that
    // ends such a row stops the run and goes here (the window's general error handler, the
    // outcome of a command-line job). Without it the error is thrown on.
    std::function<void(std::exception_ptr error)> rowFailed;

private:
    void runRow(int index, std::uint64_t run);

    ScriptState& m_state;
    SendList& m_list;
    ScriptInterpreter& m_interpreter;
    Link& m_link;
    LogSink& m_log;
    std::uint64_t m_runs = 0; // counts the starts, so that a restart during a row wins
    QMetaObject::Connection m_lineLost;
    bool m_rowDue = false; // a tick has started a row that has not begun yet
    QObject m_context;     // the due row's call goes with it
};
