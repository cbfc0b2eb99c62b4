#include "LinePacer.h"

#include <QSocketNotifier>

#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

constexpr qint64 NsPerSecond = 1000000000;

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * NsPerSecond + t.tv_nsec;
}

} // namespace

LinePacer::LinePacer(Deliver deliver, QObject* parent) : QObject(parent), m_deliver(std::move(deliver))
{
    m_soon.setTimerType(Qt::PreciseTimer);
    m_soon.setSingleShot(true);
    connect(&m_soon, &QTimer::timeout, this, &LinePacer::flush);
    m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_timerFd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            (void)!::read(m_timerFd, &expirations, sizeof expirations);
            flush();
        });
    }
}

LinePacer::~LinePacer()
{
    m_notifier.reset();
    if (m_timerFd >= 0)
        ::close(m_timerFd);
}

qint64 LinePacer::dueNs(qint64 bytes) const
{
    // The last bit of byte number `bytes` of the run, rounded up to the next nanosecond.
    return m_startNs + (bytes * NsPerSecond + LineBytesPerSecond - 1) / LineBytesPerSecond;
}

void LinePacer::push(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    const bool idle = m_queue.isEmpty();
    if (idle) {
        // Nothing is on the line (every byte is handed on only once it is through): the clock
        // starts with these bytes.
        m_startNs = monotonicNs();
        m_sent = 0;
    }
    m_queue.append(bytes);
    if (!idle)
        return;
    if (m_paced)
        wakeAt(dueNs(1));
    else
        m_soon.start(0);
}

void LinePacer::clear()
{
    m_queue.clear();
    m_soon.stop();
    if (m_timerFd >= 0) {
        const itimerspec off{};
        timerfd_settime(m_timerFd, 0, &off, nullptr);
    }
}

void LinePacer::wakeAt(qint64 due)
{
    if (m_timerFd < 0) {
        // Without a timerfd: whole milliseconds, rounded up so that nothing comes early.
        const qint64 left = std::max<qint64>(due - monotonicNs(), 0);
        m_soon.start(int((left + 999999) / 1000000));
        return;
    }
    itimerspec at{};
    at.it_value.tv_sec = time_t(due / NsPerSecond);
    at.it_value.tv_nsec = long(due % NsPerSecond);
    timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &at, nullptr);
}

void LinePacer::flush()
{
    if (m_queue.isEmpty())
        return;
    qsizetype n = m_queue.size();
    if (m_paced) {
        // Every byte whose last bit is through by now.
        const qint64 through = (monotonicNs() - m_startNs) * LineBytesPerSecond / NsPerSecond;
        n = qsizetype(std::clamp<qint64>(through - m_sent, 0, m_queue.size()));
    }
    if (n > 0) {
        const QByteArray chunk = m_queue.left(n);
        m_queue.remove(0, n);
        m_sent += n;
        m_deliver(chunk);
        Q_EMIT delivered();
    }
    if (!m_queue.isEmpty()) {
        if (m_paced)
            wakeAt(dueNs(m_sent + 1));
        else
            m_soon.start(0);
    }
}
