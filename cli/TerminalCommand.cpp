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

void TerminalCommand::sendLine(const QString& text)
{
    // As the window's "Send": the terminal shows the board's text again, the line goes out.
    link().rx().RxMode = RxTerminal;
    LogSink& log = m_session.log();
    if (m_showSent) {
        log.setColor(LogColors::Yellow);
        log.addLine(text);
    }
    log.setColor(LogColors::White);
    m_session.port().WriteStr(text.toLatin1());
}

Outcome TerminalCommand::run()
{
    if (auto failed = openPort())
        return *failed;
    m_showSent = isatty(STDIN_FILENO) != 1;
    link().rx().RxMode = RxTerminal;
    try {
        if (inv().has("time")) {
            const QDateTime now = QDateTime::currentDateTime();
            const bool shown = m_showSent;
            m_showSent = true; // the window shows the clock lines too
            sendLine(ClockLines::timeLine(now));
            sendLine(ClockLines::dateLine(now));
            m_showSent = shown;
        }
    } catch (const std::exception& e) {
        return m_session.outcomeOf(e, job());
    }

    QEventLoop loop;
    std::optional<Outcome> ended;
    QByteArray pending;
    bool endOfInput = false;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(QuietMs);
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Once stdin has ended, the board's text still has its time to come in.
    QObject::connect(&m_session.port(), &TCustomComPort::RxChar, [&] {
        if (endOfInput)
            quiet.start();
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    const auto send = [&](const QByteArray& line) {
        QByteArray text = line;
        if (text.endsWith('\r'))
            text.chop(1);
        try {
            sendLine(QString::fromLocal8Bit(text) + QLatin1Char('\r'));
        } catch (const std::exception& e) {
            ended = m_session.outcomeOf(e, job());
            loop.quit();
        }
    };
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n > 0) {
            pending.append(buffer, n);
            qsizetype end;
            while (!ended && (end = pending.indexOf('\n')) >= 0) {
                send(pending.left(end));
                pending.remove(0, end + 1);
            }
            return;
        }
        input.setEnabled(false);
        if (!pending.isEmpty() && !ended)
            send(pending);
        pending.clear();
        endOfInput = true;
        quiet.start();
    });
    QObject::connect(&m_session, &Session::stopping, &loop, &QEventLoop::quit);
    QObject::connect(&m_session.port(), &TCustomComPort::LineLost, &loop, &QEventLoop::quit);
    if (!m_session.stopRequested())
        loop.exec();
    input.setEnabled(false);

    if (m_session.lost() && !m_session.forced())
        return m_session.lostOutcome(job());
    if (auto interrupted = stopped())
        return *interrupted;
    if (ended)
        return *ended;
    return Outcome::success();
}
