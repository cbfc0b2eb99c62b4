#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the velmar-sim program as a child process, for tests and benchmarks that want the
// board behind a real pseudo-terminal.
class SimProcess {
public:
    explicit SimProcess(QString program) : m_program(std::move(program)) {}
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the program and waits for the device path it prints; false on failure.
    bool start(const QStringList& arguments = {}, int timeoutMs = 5000);
    void stop();
    // Pulls the cable (SIGUSR1) or plugs it in again (SIGUSR2); unplug waits for the program's
    // confirmation, plugIn for the new path. Both are false when the program is not running.
    bool unplug();
    bool plugIn(int timeoutMs = 5000);

    [[nodiscard]] const QString& devicePath() const { return m_path; }

private:
    bool readPath(int timeoutMs);
    bool signal(int sig);

    QString m_program;
    QProcess m_process;
    QString m_path;
};
