#pragma once

#include "Outcome.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class Console;
class QEventLoop;
class Link;
class Session;
class StepReporter;
struct Invocation;

// One command of velmar-cli: it checks its arguments, opens the port and does its job on the
// cores the windows use, and says how it ended.
class Command {
public:
    explicit Command(Session& session) : m_session(session) {}
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    [[nodiscard]] virtual Outcome run() = 0;
    // Whether run() tells a signal and the port's loss apart from the board's failures itself
    // (the commands that run until stopped). For the others a failure that follows the port's
    // loss or a forced stop is told as that.
    [[nodiscard]] virtual bool judgesStops() const { return false; }

    // The command for a command word; nothing for a word without one.
    [[nodiscard]] static std::unique_ptr<Command> make(const QString& word, Session& session);
    // The job as the messages name it: "config write".
    [[nodiscard]] QString job() const;
    // The files the command reads or writes; --record may name none of them.
    [[nodiscard]] virtual QStringList files() const { return {}; }

protected:
    [[nodiscard]] const Invocation& inv() const;
    [[nodiscard]] Console& console() const;
    [[nodiscard]] Link& link() const;
    [[nodiscard]] Outcome usage(const QString& text) const;
    // Opens the port; the outcome when it cannot.
    [[nodiscard]] std::optional<Outcome> openPort() const;
    // The input file is readable, then the port opens; else the outcome (a usage error for the
    // file, as before anything goes to the board).
    [[nodiscard]] std::optional<Outcome> openPortFor(const QString& inputFile) const;
    // Success, or the first step of `steps` that failed.
    [[nodiscard]] Outcome outcomeOf(const StepReporter& steps) const;
    // Asked to end between two steps: the outcome for it.
    [[nodiscard]] std::optional<Outcome> stopped() const;
    // Asks the board for its kind, logged in yellow as the settings dialogs log. The kind when
    // the board told it; `outcome` names what failed: the select of the kind (also when the
    // kind came all the same), or a board that did not tell.
    std::optional<std::uint8_t> askKind(Outcome& outcome);
    // The first steps of a job on a board of kind `wanted` (of any kind when none is given): the
    // port opened, askKind(), a board of another kind refused, and the end when the job was
    // asked to stop. Nothing when the job ends here, with `outcome` saying how; else as
    // askKind().
    std::optional<std::uint8_t> openBoard(Outcome& outcome, std::optional<std::uint8_t> wanted = std::nullopt);
    // Runs `loop` until it quits, a signal asks the job to end, or the port is lost; not at all
    // when one of them came before.
    void runUntilStopped(QEventLoop& loop);
    // How a run until stopped ended, before the command's own verdict: the port's loss (not
    // by a signal), a signal, the error that ended the run, or telegrams of which none was
    // answered. Nothing when it ended in none of these ways.
    [[nodiscard]] std::optional<Outcome> runEnded(const std::optional<Outcome>& ended, bool noneAnswered) const;

    Session& m_session;
};
