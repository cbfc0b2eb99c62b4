#include "LinePacer.h"

namespace {
constexpr qint64 HalfTickNs = 500000;
} // namespace

LinePacer::LinePacer(Deliver deliver, QObject* parent) : QObject(parent), m_deliver(std::move(deliver))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &LinePacer::flush);
}

void LinePacer::push(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_queue.isEmpty() &&
        (!m_since.isValid() || !m_paced || m_since.nsecsElapsed() * LineBytesPerSecond / 1000000000 >= m_sent)) {
        // The line was idle: the clock starts with these bytes.
        m_since.start();
        m_sent = 0;
    }
    m_queue.append(bytes);
    if (!m_timer.isActive())
        m_timer.start(0);
}

void LinePacer::clear()
{
    m_queue.clear();
    m_timer.stop();
}

void LinePacer::flush()
{
    if (m_queue.isEmpty())
        return;
    qsizetype n = m_queue.size();
    if (m_paced) {
        // A byte is on the other side once its last bit has been sent. The timer ticks in whole
        // milliseconds: a byte that ends within half a tick goes now, so that rounding does not
        // add a late tick to every exchange (the rate over time stays that of the line).
        const qint64 due = (m_since.nsecsElapsed() + HalfTickNs) * LineBytesPerSecond / 1000000000 - m_sent;
        n = qsizetype(std::clamp<qint64>(due, 0, m_queue.size()));
    }
    if (n > 0) {
        const QByteArray chunk = m_queue.left(n);
        m_queue.remove(0, n);
        m_sent += n;
        m_deliver(chunk);
    }
    if (!m_queue.isEmpty()) {
        // Wait for the next byte to finish on the line (a little under 0.2 ms each).
        const qint64 nextDueNs =
            std::max<qint64>((m_sent + 1) * 1000000000 / LineBytesPerSecond - m_since.nsecsElapsed() - HalfTickNs, 0);
        m_timer.start(int((nextDueNs + 999999) / 1000000));
    }
}
