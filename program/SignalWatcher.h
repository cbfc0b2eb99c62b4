#pragma once

#include <QObject>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

// Unix signals as a Qt signal, for the programs of the tool. The handler only writes the
// signal's number into a socket pair; a socket notifier hears it in the event loop, where the
// program does what the signal asks. The signals get their default handling back when the
// watcher goes. One instance at a time.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::initializer_list<int> watched, QObject* parent = nullptr);
    ~SignalWatcher() override;

    [[nodiscard]] bool installed() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signal);

private:
    void onReadable();

    std::unique_ptr<QSocketNotifier> m_notifier;
    QList<int> m_watched;
};
