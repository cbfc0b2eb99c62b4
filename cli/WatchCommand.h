#pragma once

#include "Command.h"

#include <QFile>

struct DebugSample;
class SampleCsv;

// "watch [--bit N]... [--word N]... [--interval MS] [--duration S] [--csv FILE]": the debug
// window's poll from a shell, on its core: one CSV row per cycle, flushed row by row, onto
// stdout or into FILE. Cycles start on the interval; each answer may take the rest of its
// cycle, so a busy line or a silent board gives a row that says so, in time. Ends at the
// duration's end, or at a signal (with 130, as every command).
class WatchCommand : public Command {
public:
    static constexpr int DefaultIntervalMs = 100;

    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] bool judgesStops() const override { return true; }

    // Reads the options into the invocation's fields of watch; what is wrong with them, or
    // nothing.
    [[nodiscard]] static QString takeOptions(Invocation& inv);

private:
    // Opens FILE or stdout; the outcome when it cannot.
    [[nodiscard]] std::optional<Outcome> openOutput();
    // False when the line cannot be written.
    bool writeLine(const QString& line);
    [[nodiscard]] Outcome judge(int cycles, int answered, const std::optional<Outcome>& ended) const;

    QFile m_out;
};
