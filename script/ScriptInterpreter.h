#pragma once

#include "CommandSet.h"
#include "ScriptState.h"
#include "SendList.h"

#include <QLocale>
#include <QMetaObject>
#include <QString>
#include <QTime>
#include <cstdint>
#include <functional>
#include <span>

class Link;
class LogSink;
class MeasurementLog;

// Runs one row of the send list: recognises its command (22 mnemonics, case-insensitive),
// sends the telegrams, judges the answers and writes the results to the window's log, to the
// measurement log and, for RFBA, back into the row. Opens no dialog and needs no widget.
//
// Answers never raise errors here: an answer that does not convert is logged and counts as a
// lost answer, worth another attempt where the command makes attempts (DIG marks the fault as
// for a timeout).
// Errors of the port and of the measurement log end the row and are
// thrown on, except a port error after the port has reported its own loss.
class ScriptInterpreter {
public:
    static constexpr int MeasureAttempts = 6;  // GETT, GETU, WCAN, RCAN
    static constexpr int VariableAttempts = 3; // BVAR, WVAR

    ScriptInterpreter(Link& link, SendList& list, ScriptState& state, LogSink& log, MeasurementLog& file);
    ~ScriptInterpreter();
    ScriptInterpreter(const ScriptInterpreter&) = delete;
    ScriptInterpreter& operator=(const ScriptInterpreter&) = delete;

    bool TelegramInfo = false;    // label lines and "  pass"
    bool DebugTelegram = false;   // CLW clears the main window's terminal too
    std::function<QTime()> clock; // empty: the PC's clock
    QLocale locale = QLocale::system();
    // RFBA has written the answered address into the row.
    std::function<void(int row)> rowChanged;
    // CLW after a failure with D0 = 1.
    std::function<void()> stopAutoSend;

    // Runs row `index` once; nothing happens while another row runs or without that row.
    void ExecuteRow(int index);
    // Telegrams sent so far, and those of them that got no valid answer (for benchmarks and the
    // command line).
    [[nodiscard]] std::uint64_t telegramsSent() const { return m_telegrams; }
    [[nodiscard]] std::uint64_t telegramsUnanswered() const { return m_unanswered; }

private:
    using Command = void (ScriptInterpreter::*)();
    static constexpr int Garbled = -1; // an answer that did not convert

    // What one telegram of an attempt brought, as the command that sent it sees it.
    enum class Answer {
        Expected,   // the command's own answer, with all the bytes it reads
        Lost,       // no answer in time, or one that did not convert
        Refused,    // the board said no
        Unexpected, // any other code, or the command's own one short of its bytes
    };
    // How a command repeats: the measuring commands take a refusal or an unexpected answer as a
    // failed attempt that marks the fault; the variable commands and DIG mark only a lost
    // answer, and end at an unexpected one.
    struct AttemptRule {
        int attempts;
        bool refusalIsFault;
        bool retryUnexpected;
    };
    static constexpr AttemptRule Measuring{MeasureAttempts, true, true};
    static constexpr AttemptRule Variable{VariableAttempts, false, false};
    static constexpr AttemptRule Once{1, false, false};

    [[nodiscard]] Answer classify(int code, int expected, std::size_t bytes, int refusal = CommandSet::Refused) const;
    // Runs `attempt` until it brings its expected answer or the rule ends the command; sets
    // `FaultFlag` for each failed attempt the rule marks.
    template <typename Attempt>
    void attempts(const AttemptRule& rule, Attempt attempt);
    // The result text of an attempt without its answer; an unexpected code is named in the log,
    // and `shown` echoes a timeout or a refusal as telegram info.
    QString missed(int code, Answer answer, bool shown);

    [[nodiscard]] Command find(const QString& cmd) const;
    int send(const QString& request);
    [[nodiscard]] std::span<const std::uint8_t> answer() const;
    void label(const QString& text);
    void info(const QString& text);
    void addLine(const QString& text);
    void append(const QString& text);
    void unexpected(int code);
    void writeRule(int code);
    void dumpRule(int code, int echo, const QString& title);
    void closeMeasurement(const QString& title, std::uint8_t n, QString result);
    void logFileWrite(const QString& text);
    [[nodiscard]] QString addressText() const;
    [[nodiscard]] std::uint8_t d0() const { return m_row.data[0]; }

    void ack();
    void res();
    void adrr();
    void adrw();
    void eepr();
    void eepw();
    void ramr();
    void ramw();
    void romr();
    void rfba();
    void msgr();
    void msgw();
    void timeStamp();
    void gett();
    Answer gettAttempt(std::uint8_t n, QString& result);
    void getu();
    void bvar();
    void wvar();
    void wcan();
    void rcan();
    void dig();
    void clw();
    void jump();

    Link& m_link;
    SendList& m_list;
    ScriptState& m_state;
    LogSink& m_log;
    MeasurementLog& m_file;
    // The row being run, as it was when it started, and where it stood in the list.
    SendRow m_row;
    int m_index = -1;
    std::uint64_t m_rowId = 0;
    std::uint64_t m_telegrams = 0;
    std::uint64_t m_unanswered = 0;
    bool m_lineLost = false;
    QMetaObject::Connection m_lineLostConnection;
};
