#pragma once

#include <QMetaObject>
#include <cstdint>
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
class AutoSender {
public:
    AutoSender(ScriptState& state, SendList& list, ScriptInterpreter& interpreter, Link& link, LogSink& log);
    ~AutoSender();
    AutoSender(const AutoSender&) = delete;
    AutoSender& operator=(const AutoSender&) = delete;

    // One tick of the 100 ms timer.
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

private:
    ScriptState& m_state;
    SendList& m_list;
    ScriptInterpreter& m_interpreter;
    Link& m_link;
    LogSink& m_log;
    std::uint64_t m_runs = 0; // counts the starts, so that a restart during a row wins
    QMetaObject::Connection m_lineLost;
};
