#include "SimProcess.h"

#include <QDeadlineTimer>
#include <csignal>

bool SimProcess::start(const QStringList& arguments, int timeoutMs)
{
    m_process.setProgram(m_program);
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    return readPath(timeoutMs);
}

bool SimProcess::readPath(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1Char('/'))) {
                m_path = line;
                return true;
            }
        }
        if (!m_process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1))))
            break;
    }
    return false;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

bool SimProcess::signal(int sig)
{
    // A process id of 0 (the program has ended) would signal our whole process group.
    const auto pid = pid_t(m_process.processId());
    if (m_process.state() != QProcess::Running || pid <= 0)
        return false;
    return ::kill(pid, sig) == 0;
}

bool SimProcess::unplug()
{
    if (!signal(SIGUSR1))
        return false;
    // The program confirms with a line of its own.
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine())
            if (m_process.readLine().trimmed() == "unplugged")
                return true;
        if (m_process.state() != QProcess::Running)
            return false;
        m_process.waitForReadyRead(50);
    }
    return false;
}

bool SimProcess::plugIn(int timeoutMs)
{
    return signal(SIGUSR2) && readPath(timeoutMs);
}
