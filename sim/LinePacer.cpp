#include "LinePacer.h"

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
    if (m_queue.isEmpty() && (!m_since.isValid() || !m_paced ||
                              m_since.nsecsElapsed() * LineBytesPerSecond / 1000000000 >= m_sent)) {
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
        // A byte is on the other side once its last bit has been sent.
        const qint64 due = m_since.nsecsElapsed() * LineBytesPerSecond / 1000000000 - m_sent;
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
        const qint64 nextDueNs = (m_sent + 1) * 1000000000 / LineBytesPerSecond - m_since.nsecsElapsed();
        m_timer.start(int(std::max<qint64>(nextDueNs / 1000000, 0)) + (nextDueNs % 1000000 ? 1 : 0));
    }
}
