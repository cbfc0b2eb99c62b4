#pragma once

#include "Outcome.h"

#include <QString>
#include <memory>
#include <optional>

class Console;
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

protected:
    [[nodiscard]] const Invocation& inv() const;
    [[nodiscard]] Console& console() const;
    [[nodiscard]] Link& link() const;
    [[nodiscard]] Outcome usage(const QString& text) const;
    // Opens the port; the outcome when it cannot.
    [[nodiscard]] std::optional<Outcome> openPort() const;
    // Success, or the first step of `steps` that failed.
    [[nodiscard]] Outcome outcomeOf(const StepReporter& steps) const;
    // Asked to end between two steps: the outcome for it.
    [[nodiscard]] std::optional<Outcome> stopped() const;

    Session& m_session;
};
