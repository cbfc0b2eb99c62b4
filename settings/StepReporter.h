#pragma once

#include "Link.h"
#include "StepFailure.h"

#include <QString>
#include <cstdint>
#include <optional>

class LogSink;

// The step reports of the settings dialogs. A step adds a line naming it, sends one telegram
// and appends the outcome at the log's caret, so that the outcome lands on the step's line.
// A failed step never stops the ones after it; the handler decides what comes next. The first
// step that timed out, was refused or got an unexpected answer is remembered (failure()), so
// that a front end can say which one it was.
class StepReporter {
public:
    StepReporter(Link& link, LogSink& log) : m_link(link), m_log(log) {}

    [[nodiscard]] Link& link() { return m_link; }
    [[nodiscard]] LogSink& log() { return m_log; }

    void addLine(const QString& text);
    void append(const QString& text);
    // Adds the line that names a step whose telegrams follow (exchange() and its own outcomes).
    void beginStep(const QString& line);

    // Adds `line`, sends `telegram` and appends the outcome by the write rule:
    // 0 "  timeout", 0x20 "  pass", 0x21 "  fail", anything else nothing.
    std::uint8_t writeStep(const QString& line, const QString& telegram);
    // Sends `telegram` without a line of its own; the outcome goes behind the current line.
    std::uint8_t writeOnly(const QString& telegram);
    // Adds `line`, sends `telegram` and appends the failures of the read rule:
    // 0 "  timeout", 0x21 "  fail". Data and unexpected codes are the handler's business.
    std::uint8_t readStep(const QString& line, const QString& telegram);
    // Sends `telegram` as a step of this log that has its own outcome rule: no line, no
    // outcome; the caller appends what the answer means behind the current line. While it
    // waits, a refused click puts its notice above that line, as for the steps above.
    std::uint8_t exchange(const QString& telegram);

    void appendWriteOutcome(std::uint8_t code);
    void appendReadFailure(std::uint8_t code);
    // "  timeout" and "  fail" behind the current line, for steps with an outcome rule of their
    // own; both mark the step as failed.
    void appendTimeout();
    void appendFail();
    // Marks the current step as failed without a text of its own (the caller shows what it does).
    void noteFailure(StepFailure::Kind kind, const QString& detail);

    // The first failed step since the start or the last clearFailure().
    [[nodiscard]] const std::optional<StepFailure>& failure() const { return m_failure; }
    void clearFailure() { m_failure.reset(); }

    // An answer code that is neither a timeout, a refusal nor `dataCode`.
    [[nodiscard]] static bool isUnexpected(std::uint8_t code, std::uint8_t dataCode);
    // "Rückmeldung ungültig ? $xx", the line most reads add for an unexpected code.
    [[nodiscard]] static QString invalidAnswerLine(std::uint8_t code);

    // A handler that would start while the line is busy is not run: the terminal names what
    // was refused, and the log says "busy, please wait" on a line of its own, above the line
    // of a step of this log that is still waiting, so that its outcome still lands behind it.
    // Returns true then.
    bool refuseIfBusy(const QString& what);

private:
    Link& m_link;
    LogSink& m_log;
    bool m_waiting = false; // a step of this log waits for its answer
    QString m_step;         // the line of the step under way
    std::optional<StepFailure> m_failure;
};
