#include "WatchCommand.h"

#include "DebugPoller.h"
#include "Invocation.h"
#include "SampleCsv.h"
#include "Session.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

QString WatchCommand::takeOptions(Invocation& inv)
{
    const auto signalsOf = [&](const QString& name, QList<int>& into) -> QString {
        for (const QString& text : inv.values(name)) {
            bool ok = false;
            const int n = text.toInt(&ok);
            if (!ok || n < 0 || n > 255)
                return QStringLiteral("watch: --%1 takes a signal number from 0 to 255, not '%2'").arg(name, text);
            into.append(n);
        }
        if (into.size() > 5)
            return QStringLiteral("watch: at most five --%1 signals, as in the debug window").arg(name);
        return {};
    };
    if (QString wrong = signalsOf(QStringLiteral("bit"), inv.bits); !wrong.isEmpty())
        return wrong;
    if (QString wrong = signalsOf(QStringLiteral("word"), inv.words); !wrong.isEmpty())
        return wrong;
    if (inv.has(QStringLiteral("interval"))) {
        bool ok = false;
        inv.intervalMs = inv.value(QStringLiteral("interval")).toInt(&ok);
        if (!ok || inv.intervalMs < 10)
            return QStringLiteral("watch: --interval takes 10 ms or more, not '%1'")
                .arg(inv.value(QStringLiteral("interval")));
    }
    if (inv.has(QStringLiteral("duration"))) {
        bool ok = false;
        const double s = inv.value(QStringLiteral("duration")).toDouble(&ok);
        if (!ok || !(s > 0) || s > 2e6)
            return QStringLiteral("watch: --duration takes a number of seconds above 0, not '%1'")
                .arg(inv.value(QStringLiteral("duration")));
        inv.durationMs = qint64(s * 1000);
    }
    inv.csvFile = inv.value(QStringLiteral("csv"));
    return {};
}

std::optional<Outcome> WatchCommand::openOutput()
{
    const QString& path = inv().csvFile;
    const bool opened =
        path.isEmpty()
            ? m_out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered)
            : (m_out.setFileName(path), m_out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
    if (opened)
        return std::nullopt;
    return usage(QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(path), m_out.errorString()));
}

bool WatchCommand::writeLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    return m_out.write(bytes) == bytes.size();
}

Outcome WatchCommand::run()
{
    DebugPoller::Texts bits, words;
    QList<SampleCsv::Column> columns;
    for (int i = 0; i < inv().bits.size(); ++i) {
        bits[std::size_t(i)] = QString::number(inv().bits[i]);
        columns.append({false, std::uint8_t(inv().bits[i])});
    }
    for (int i = 0; i < inv().words.size(); ++i) {
        words[std::size_t(i)] = QString::number(inv().words[i]);
        columns.append({true, std::uint8_t(inv().words[i])});
    }
    const SampleCsv csv(columns);
    if (auto failed = openPort())
        return *failed;
    if (auto failed = openOutput())
        return *failed;
    const QString written = inv().csvFile.isEmpty() ? QStringLiteral("stdout") : inv().csvFile;
    const auto cannotWrite = [&] {
        return usage(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(written), m_out.errorString()));
    };
    if (!writeLine(csv.header()))
        return cannotWrite();

    // A signal closes the port, which ends the wait under way; the cycle it cut short gives
    // no row.
    const int interval = inv().intervalMs;
    DebugPoller poller(link());
    poller.setActive(true);
    // Answers may take nine tenths of the interval: a cycle that waits for a silent board
    // still ends before the next tick.
    poller.setPace(interval - interval / 10);

    QEventLoop loop;
    std::optional<Outcome> ended;
    int cycles = 0, answered = 0;
    bool running = false, pending = false;
    std::function<void()> cycle = [&] {
        // A tick that falls into a cycle runs its cycle right after it, once.
        if (running) {
            pending = true;
            return;
        }
        if (ended || m_session.stopRequested())
            return;
        running = true;
        DebugSample sample;
        try {
            sample = poller.PollCycle(bits, words);
        } catch (const std::exception& e) {
            ended = m_session.outcomeOf(e, job());
        }
        running = false;
        if (ended || m_session.stopRequested() || m_session.lost()) {
            loop.quit();
            return;
        }
        ++cycles;
        if (sample.status != DebugSample::Status::NoAnswer && sample.status != DebugSample::Status::Busy)
            ++answered;
        if (!writeLine(csv.row(sample))) {
            ended = cannotWrite();
            loop.quit();
            return;
        }
        if (pending) {
            pending = false;
            QTimer::singleShot(0, &loop, cycle);
        }
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(interval);
    QObject::connect(&tick, &QTimer::timeout, &loop, cycle);
    QTimer duration;
    duration.setTimerType(Qt::PreciseTimer);
    duration.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&m_session, &Session::stopping, &loop, [&] {
        poller.setActive(false);
        loop.quit();
    });
    QObject::connect(&m_session.port(), &TCustomComPort::LineLost, &loop, &QEventLoop::quit);
    if (inv().durationMs > 0)
        duration.start(int(inv().durationMs));
    tick.start();
    QTimer::singleShot(0, &loop, cycle);
    if (!m_session.stopRequested())
        loop.exec();
    tick.stop();
    return judge(cycles, answered, ended);
}

Outcome WatchCommand::judge(int cycles, int answered, const std::optional<Outcome>& ended) const
{
    if (m_session.lost() && !m_session.forced())
        return m_session.lostOutcome(job());
    if (auto interrupted = stopped())
        return *interrupted;
    if (ended)
        return *ended;
    if (cycles > 0 && answered == 0)
        return Outcome::fail(ExitCode::NoAnswer, job() + QStringLiteral(": no telegram was answered"));
    return Outcome::success();
}
