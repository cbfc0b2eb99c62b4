#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP as a Qt signal. The handler only writes the signal's number into
// a socket pair; a socket notifier hears it in the event loop, where the job is ended cleanly.
// SIGPIPE is ignored, so that a closed pipe on stdout ends the job through a failed write
// instead of killing it with the port's settings unrestored. One instance at a time.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    [[nodiscard]] bool installed() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signal);

private:
    void onReadable();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
