#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;

// Hands bytes on no faster than a serial line carries them (57600 bit/s, 8N1: 5760 bytes per
// second), or at once when pacing is off. A byte is handed on when its last bit would have
// arrived, never earlier: the wake-up comes from a timerfd on the monotonic clock, which the
// event loop waits on like any other descriptor, so it is precise to well under a millisecond.
// Delivery always happens from the event loop, never inside the call that queued the bytes.
class LinePacer : public QObject {
    Q_OBJECT
public:
    static constexpr int LineBytesPerSecond = 5760;
    using Deliver = std::function<void(const QByteArray&)>;

    explicit LinePacer(Deliver deliver, QObject* parent = nullptr);
    ~LinePacer() override;

    void setPaced(bool on) { m_paced = on; }
    [[nodiscard]] bool paced() const { return m_paced; }
    void push(const QByteArray& bytes);
    void clear();
    [[nodiscard]] qsizetype pending() const { return m_queue.size(); }

Q_SIGNALS:
    // Bytes were handed on; pending() tells how many still wait.
    void delivered();

private:
    void flush();
    // Wakes up at `dueNs` on the monotonic clock.
    void wakeAt(qint64 dueNs);
    [[nodiscard]] qint64 dueNs(qint64 bytes) const;

    Deliver m_deliver;
    bool m_paced = false;
    QByteArray m_queue;
    QTimer m_soon; // the next pass of the event loop, or the fallback without a timerfd
    int m_timerFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    qint64 m_startNs = 0; // when the first bit of the current run of bytes went out
    qint64 m_sent = 0;    // bytes handed on since then
};
