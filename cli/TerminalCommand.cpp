#include "TerminalCommand.h"

#include "ClockLines.h"
#include "Console.h"
#include "Invocation.h"
#include "LogSink.h"
#include "Session.h"

#include <QDateTime>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <unistd.h>

void TerminalCommand::sendLine(const QByteArray& line)
{
    QByteArray text = line;
    if (text.endsWith('\r'))
        text.chop(1);
    try {
        link().sendTerminalText(QString::fromLocal8Bit(text) + QLatin1Char('\r'), m_showSent);
    } catch (const std::exception& e) {
        m_ended = m_session.outcomeOf(e, job());
        m_loop->quit();
    }
}

void TerminalCommand::readInput()
{
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n > 0) {
        m_pending.append(buffer, n);
        qsizetype end;
        while (!m_ended && (end = m_pending.indexOf('\n')) >= 0) {
            sendLine(m_pending.left(end));
            m_pending.remove(0, end + 1);
        }
        return;
    }
    m_input->setEnabled(false);
    if (!m_pending.isEmpty() && !m_ended)
        sendLine(m_pending);
    m_pending.clear();
    m_endOfInput = true;
    m_quiet->start();
}

Outcome TerminalCommand::run()
{
    if (auto failed = openPort())
        return *failed;
    m_showSent = isatty(STDIN_FILENO) != 1;
    link().toTerminal();
    if (inv().has("time")) {
        // The window shows the clock lines too.
        const QDateTime now = QDateTime::currentDateTime();
        try {
            link().sendTerminalText(ClockLines::timeLine(now));
            link().sendTerminalText(ClockLines::dateLine(now));
        } catch (const std::exception& e) {
            return m_session.outcomeOf(e, job());
        }
    }

    QEventLoop loop;
    QTimer quiet;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    m_loop = &loop;
    m_quiet = &quiet;
    m_input = &input;
    quiet.setSingleShot(true);
    quiet.setInterval(QuietMs);
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Once stdin has ended, the board's text still has its time to come in.
    QObject::connect(&m_session.port(), &TCustomComPort::RxChar, &quiet, [this] {
        if (m_endOfInput)
            m_quiet->start();
    });
    QObject::connect(&input, &QSocketNotifier::activated, [this] { readInput(); });
    runUntilStopped(loop);
    input.setEnabled(false);

    return runEnded(m_ended, false).value_or(Outcome::success());
}
