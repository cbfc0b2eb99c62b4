#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Hands bytes on no faster than a serial line carries them (57600 bit/s, 8N1: 5760 bytes per
// second), or at once when pacing is off. Delivery always happens from the event loop, never
// inside the call that queued the bytes.
class LinePacer : public QObject {
    Q_OBJECT
public:
    static constexpr int LineBytesPerSecond = 5760;
    using Deliver = std::function<void(const QByteArray&)>;

    explicit LinePacer(Deliver deliver, QObject* parent = nullptr);

    void setPaced(bool on) { m_paced = on; }
    [[nodiscard]] bool paced() const { return m_paced; }
    void push(const QByteArray& bytes);
    void clear();
    [[nodiscard]] qsizetype pending() const { return m_queue.size(); }

private:
    void flush();

    Deliver m_deliver;
    bool m_paced = false;
    QByteArray m_queue;
    QTimer m_timer;
    QElapsedTimer m_since; // time since the line became busy
    qint64 m_sent = 0;     // bytes handed on since then
};
