#include "Cli.h"

#include "CliApplication.h"
#include "Command.h"
#include "CommandLine.h"
#include "Console.h"
#include "ExitDeadline.h"
#include "Session.h"
#include "SignalWatcher.h"

#include <QJsonObject>
#include <csignal>
#include <cstdio>

namespace {

void writeTo(std::FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int Cli::run(const QStringList& arguments)
{
    const CommandLine::Result parsed = CommandLine::parse(arguments);
    if (!parsed.out.isEmpty())
        writeTo(stdout, parsed.out.toUtf8());
    if (!parsed.err.isEmpty())
        writeTo(stderr, parsed.err.toUtf8());
    if (!parsed.invocation)
        return int(parsed.code);
    const Invocation& inv = *parsed.invocation;

    // watch writes its CSV rows on stdout itself; the log (the echo of --echo) goes to stderr
    // then, uncoloured, so that stdout stays CSV.
    const bool stdoutIsData = inv.command == QLatin1String("watch") && inv.csvFile.isEmpty();
    Console::Options options = Console::detect(inv.quiet, inv.json);
    if (stdoutIsData)
        options.colours = options.stdoutIsTerminal = false;
    Console console(
        options, [stdoutIsData](const QByteArray& b) { writeTo(stdoutIsData ? stderr : stdout, b); },
        [](const QByteArray& b) { writeTo(stderr, b); });
    // SIGINT, SIGTERM and SIGHUP end the job cleanly in the event loop. SIGPIPE is ignored, so
    // that a closed pipe on stdout ends the job through a failed write instead of killing it
    // with the port's settings unrestored.
    SignalWatcher signals{SIGINT, SIGTERM, SIGHUP};
    std::signal(SIGPIPE, SIG_IGN);
    // Whatever the job waits on, a signal ends the program within a second.
    const ExitDeadline deadline(800);
    Session session(inv, console);
    QObject::connect(&signals, &SignalWatcher::received, &session, &Session::onSignal);
    const std::unique_ptr<Command> command = Command::make(inv.command, session);

    Outcome outcome;
    try {
        outcome = command->run();
        // A failure that the loss of the port or a forced stop brought about is told as that.
        if (!outcome.ok() && !command->judgesStops() && (session.lost() || session.forced()))
            outcome = session.lostOutcome(command->job());
    } catch (const std::exception& e) {
        outcome = session.outcomeOf(e, command->job());
    }
    // An error that escaped an event handler without taking the port along is a failure too.
    if (const std::exception_ptr escaped = CliApplication::takeEscaped(); escaped && outcome.ok() && !session.lost())
        outcome = Session::outcomeOf(escaped, session, command->job());
    console.finish();
    if (!outcome.ok()) {
        if (inv.json && !console.jsonWritten())
            console.json(
                QJsonObject{{QStringLiteral("port"), session.portName()}, {QStringLiteral("error"), outcome.message}});
        console.error(outcome.message);
    }
    return int(outcome.code);
}
