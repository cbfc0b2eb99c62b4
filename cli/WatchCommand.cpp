#include "WatchCommand.h"

#include "Invocation.h"
#include "Session.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cmath>
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
    // Both run on timers, which wait at most MaxTimerMs.
    if (inv.has(QStringLiteral("interval"))) {
        bool ok = false;
        const qlonglong ms = inv.value(QStringLiteral("interval")).toLongLong(&ok);
        if (!ok || ms < 10 || ms > MaxTimerMs)
            return QStringLiteral("watch: --interval takes 10 to %1 ms, not '%2'")
                .arg(MaxTimerMs)
                .arg(inv.value(QStringLiteral("interval")));
        inv.intervalMs = int(ms);
    }
    if (inv.has(QStringLiteral("duration"))) {
        bool ok = false;
        const double s = inv.value(QStringLiteral("duration")).toDouble(&ok);
        if (!ok || !(s > 0) || s * 1000 > MaxTimerMs)
            return QStringLiteral("watch: --duration takes seconds above 0 up to %1, not '%2'")
                .arg(double(MaxTimerMs) / 1000, 0, 'f', 3)
                .arg(inv.value(QStringLiteral("duration")));
        // A duration shorter than a millisecond still has its cycle.
        inv.durationMs = std::max<qint64>(1, qint64(std::ceil(s * 1000)));
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

QList<SampleCsv::Column> WatchCommand::takeSignals()
{
    QList<SampleCsv::Column> columns;
    for (int i = 0; i < inv().bits.size(); ++i) {
        m_bits[std::size_t(i)] = QString::number(inv().bits[i]);
        columns.append({false, std::uint8_t(inv().bits[i])});
    }
    for (int i = 0; i < inv().words.size(); ++i) {
        m_words[std::size_t(i)] = QString::number(inv().words[i]);
        columns.append({true, std::uint8_t(inv().words[i])});
    }
    return columns;
}

Outcome WatchCommand::cannotWrite() const
{
    const QString written = inv().csvFile.isEmpty() ? QStringLiteral("stdout") : inv().csvFile;
    return usage(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(written), m_out.errorString()));
}

Outcome WatchCommand::run()
{
    const SampleCsv csv(takeSignals());
    if (auto failed = openPort())
        return *failed;
    if (auto failed = openOutput())
        return *failed;
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
    m_csv = &csv;
    m_poller = &poller;
    m_loop = &loop;
    runCycles();
    return runEnded(m_ended, m_cycles > 0 && m_answered == 0).value_or(Outcome::success());
}

void WatchCommand::runCycles()
{
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(inv().intervalMs);
    QObject::connect(&tick, &QTimer::timeout, m_loop, [this] { cycle(); });
    QTimer duration;
    duration.setTimerType(Qt::PreciseTimer);
    duration.setSingleShot(true);
    // The run has at least its first cycle, however short the duration.
    QObject::connect(&duration, &QTimer::timeout, m_loop, [this] {
        m_durationOver = true;
        if (m_cycles > 0 && !m_running)
            m_loop->quit();
    });
    // A signal also leaves out the rest of the cycle under way.
    QObject::connect(&m_session, &Session::stopping, m_loop, [this] { m_poller->setActive(false); });
    if (inv().durationMs > 0)
        duration.start(int(inv().durationMs));
    tick.start();
    QTimer::singleShot(0, m_loop, [this] { cycle(); });
    runUntilStopped(*m_loop);
    tick.stop();
}

void WatchCommand::cycle()
{
    if (m_running) {
        m_pending = true;
        return;
    }
    if (m_ended || m_session.stopRequested())
        return;
    m_running = true;
    DebugSample sample;
    try {
        sample = m_poller->PollCycle(m_bits, m_words);
    } catch (const std::exception& e) {
        m_ended = m_session.outcomeOf(e, job());
    }
    m_running = false;
    if (m_ended || m_session.stopRequested() || m_session.lost()) {
        m_loop->quit();
        return;
    }
    ++m_cycles;
    if (sample.status != DebugSample::Status::NoAnswer && sample.status != DebugSample::Status::Busy)
        ++m_answered;
    if (!writeLine(m_csv->row(sample))) {
        m_ended = cannotWrite();
        m_loop->quit();
        return;
    }
    if (m_durationOver) {
        m_loop->quit();
        return;
    }
    if (m_pending) {
        m_pending = false;
        QTimer::singleShot(0, m_loop, [this] { cycle(); });
    }
}

QStringList WatchCommand::files() const { return {inv().csvFile}; }
