#pragma once

#include "Command.h"
#include "DebugPoller.h"
#include "SampleCsv.h"

#include <QFile>
#include <limits>

// "watch [--bit N]... [--word N]... [--interval MS] [--duration S] [--csv FILE]": the debug
// window's poll from a shell, on its core: one CSV row per cycle, flushed row by row, onto
// stdout or into FILE. Cycles start on the interval; each answer may take the rest of its
// cycle, so a busy line or a silent board gives a row that says so, in time. Ends at the
// duration's end, or at a signal (with 130, as every command).
class WatchCommand : public Command {
public:
    static constexpr int DefaultIntervalMs = 100;
    // The longest a timer waits.
    static constexpr qint64 MaxTimerMs = std::numeric_limits<int>::max();

    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
    [[nodiscard]] bool judgesStops() const override { return true; }

    // Reads the options into the invocation's fields of watch; what is wrong with them, or
    // nothing.
    [[nodiscard]] static QString takeOptions(Invocation& inv);

private:
    // The columns of the CSV rows, with the signals' texts for the poller.
    [[nodiscard]] QList<SampleCsv::Column> takeSignals();
    // Opens FILE or stdout; the outcome when it cannot.
    [[nodiscard]] std::optional<Outcome> openOutput();
    // False when the line cannot be written.
    bool writeLine(const QString& line);
    [[nodiscard]] Outcome cannotWrite() const;
    // Runs the cycles on the interval until the duration is over, a signal or the port's loss
    // ends them, or a row cannot be written.
    void runCycles();
    // One cycle's poll and its row. A tick that falls into a cycle runs its cycle right after
    // it, once.
    void cycle();

    QFile m_out;
    DebugPoller::Texts m_bits, m_words;
    // While the cycles run:
    const SampleCsv* m_csv = nullptr;
    DebugPoller* m_poller = nullptr;
    QEventLoop* m_loop = nullptr;
    std::optional<Outcome> m_ended;
    int m_cycles = 0;
    int m_answered = 0;
    bool m_running = false;
    bool m_pending = false;
    bool m_durationOver = false;
};
