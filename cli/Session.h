#pragma once

#include "Invocation.h"
#include "LineRecorder.h"
#include "Link.h"
#include "Outcome.h"
#include "SimPort.h"
#include "TCustomComPort.h"

#include <QObject>
#include <exception>
#include <memory>
#include <optional>

class Console;
class LogSink;

// The port and the link of one run of velmar-cli, and how the run is asked to stop. The port
// is opened exclusively and closed on every path; its old line settings come back then.
//
// A signal asks the job to end. A job that has something to finish first (leave the
// bootloader, close the card's file) says so with setGraceful() and looks at stopRequested()
// between its steps; any other job is ended at once by closing the port, which ends its wait.
// A second signal always ends it at once, and so does the first after GraceMs.
class Session : public QObject {
    Q_OBJECT
public:
    // How long a job may take to finish after a signal before its port is closed.
    static constexpr int GraceMs = 500;

    Session(const Invocation& invocation, Console& console, QObject* parent = nullptr);
    ~Session() override;

    // The port given, else the one the window stored in Settings.ini, else "SIM". A settings
    // file that is there but no regular file is not read: `settingsError` says so then.
    [[nodiscard]] static QString portName(const Invocation& invocation, QString* settingsError = nullptr);
    // The window's Settings.ini (read, never written), or the one --settings names.
    [[nodiscard]] static QString settingsFile(const Invocation& invocation);
    [[nodiscard]] const QString& portName() const { return m_portName; }

    // Opens the port with the line settings, then starts the recording that --record asks for;
    // the outcome when it cannot (or when a --settings file cannot be read, or the recording
    // would go into one of `files`, the files the command reads or writes).
    std::optional<Outcome> open(const QStringList& files = {});

    [[nodiscard]] const Invocation& invocation() const { return m_invocation; }
    [[nodiscard]] Console& console() { return m_console; }
    [[nodiscard]] LogSink& log();
    [[nodiscard]] TCustomComPort& port() { return m_port; }
    [[nodiscard]] Link& link() { return *m_link; }

    void setGraceful(bool on) { m_graceful = on; }
    [[nodiscard]] bool stopRequested() const { return m_signals > 0; }
    // The port was closed to end the job at once.
    [[nodiscard]] bool forced() const { return m_forced; }
    [[nodiscard]] bool lost() const { return !m_lostReason.isEmpty(); }

    // The outcome of an error that ended `job`.
    [[nodiscard]] Outcome outcomeOf(const std::exception& error, const QString& job) const;
    // The same for an error that was caught elsewhere.
    [[nodiscard]] static Outcome outcomeOf(const std::exception_ptr& error, const Session& session, const QString& job);
    // The outcome of a job that the port's loss or a forced stop ended.
    [[nodiscard]] Outcome lostOutcome(const QString& job) const;

    // A signal came (SIGINT, SIGTERM, SIGHUP).
    void onSignal(int signal);

Q_SIGNALS:
    // The job is asked to end.
    void stopping();

private:
    void force();
    // The recording file is one of `files`, or the settings file: the outcome that refuses it.
    [[nodiscard]] std::optional<Outcome> recordingClash(const QStringList& files) const;
    // Starts the line recording that --record asks for; the outcome when it cannot.
    std::optional<Outcome> startRecording();

    Invocation m_invocation;
    Console& m_console;
    QString m_settingsError; // before m_portName, which fills it
    QString m_portName;
    SimPort m_sim; // before the port, which may use it to its end
    TCustomComPort m_port;
    LineRecorder m_recorder;
    std::unique_ptr<Link> m_link;
    bool m_graceful = false;
    bool m_forced = false;
    int m_signals = 0;
    QString m_lostReason;
};
