#pragma once

#include "SimProcess.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>

// The built velmar-cli run as a user runs it: arguments, stdin, the environment; the test
// gets the exit code and both streams.
struct CliRun {
    int code = -1;
    QString out;
    QString err;
    qint64 ms = 0;
    [[nodiscard]] QStringList errLines() const { return err.split('\n', Qt::SkipEmptyParts); }
};

inline QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("NO_COLOR");
    env.remove("QT_LOGGING_RULES");
    return env;
}

// A velmar-cli that is still running, for tests that signal it or look at it while it works.
class CliProcess {
public:
    explicit CliProcess(const QStringList& arguments, const QByteArray& input = {},
                        const QProcessEnvironment& env = cliEnvironment())
    {
        m_process.setProgram(QStringLiteral(VELMAR_CLI_PROGRAM));
        m_process.setArguments(arguments);
        m_process.setProcessEnvironment(env);
        m_process.start();
        m_process.waitForStarted(5000);
        if (!input.isNull()) {
            m_process.write(input);
            m_process.closeWriteChannel();
        }
    }
    ~CliProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    // Waits until stdout holds `text` (`times` times); false after `ms`.
    bool waitForOutput(const QString& text, int ms = 10000, int times = 1)
    {
        QDeadlineTimer deadline(ms);
        while (m_out.count(text.toUtf8()) < times) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(20);
            m_out += m_process.readAllStandardOutput();
        }
        return true;
    }
    // Only a running child is signalled: a process id of 0 would reach the whole process group.
    bool signal(int sig)
    {
        const auto pid = pid_t(m_process.processId());
        return m_process.state() == QProcess::Running && pid > 0 && ::kill(pid, sig) == 0;
    }
    // Waits for the end; the exit code is -1 when it did not end in time.
    CliRun finish(int ms = 30000)
    {
        CliRun r;
        if (!m_process.waitForFinished(ms))
            return r;
        m_out += m_process.readAllStandardOutput();
        r.code = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
        r.out = QString::fromUtf8(m_out);
        r.err = QString::fromUtf8(m_process.readAllStandardError());
        return r;
    }
    [[nodiscard]] QString output() const { return QString::fromUtf8(m_out); }

private:
    QProcess m_process;
    QByteArray m_out;
};

inline CliRun runCli(const QStringList& arguments, const QByteArray& input = {},
                     const QProcessEnvironment& env = cliEnvironment(), int ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    CliProcess p(arguments, input, env);
    CliRun r = p.finish(ms);
    r.ms = clock.elapsed();
    return r;
}

// velmar-cli with stdout and stderr on a pseudo-terminal, as in a user's shell: returns
// what it wrote there, and its exit code.
inline CliRun runCliOnTerminal(const QStringList& arguments, const QProcessEnvironment& env = cliEnvironment())
{
    CliRun r;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return r;
    const QByteArray slavePath = ptsname(master);
    QProcess process;
    process.setProgram(QStringLiteral(VELMAR_CLI_PROGRAM));
    process.setArguments(arguments);
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([slavePath] {
        const int slave = ::open(slavePath.constData(), O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            termios tio{};
            tcgetattr(slave, &tio);
            tio.c_oflag &= ~tcflag_t(OPOST); // what the program writes, byte for byte
            tcsetattr(slave, TCSANOW, &tio);
            ::dup2(slave, STDOUT_FILENO);
            ::dup2(slave, STDERR_FILENO);
            ::close(slave);
        }
    });
    process.start();
    QByteArray all;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const auto drain = [&] {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            all.append(buf, n);
    };
    QDeadlineTimer deadline(30000);
    while (!process.waitForFinished(20) && !deadline.hasExpired())
        drain();
    drain();
    ::close(master);
    r.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = QString::fromUtf8(all);
    return r;
}
