#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class LogSink;
class QTcpSocket;
class TCustomComPort;

// Opens the port again by itself when the device that went away comes back: the same device
// by its /dev/serial/by-id name where it had one, else by its path; a network port when its
// server takes connections again. It looks twice a second while a lost device is awaited and
// not otherwise; a tick on a busy line is skipped, so an exchange or a download that lost its
// port ends with its error and is never resumed. Closing the port by hand, opening it, or
// choosing another port ends the waiting.
//
// A network port is first tried without waiting: a connection is begun in the background (a
// probe, given up after the port's connect time), and the port is opened, with its whole
// negotiation and line settings, only once the server has taken it. A far host that is down
// thus never holds the window, whatever its network does with the attempts.
class PortReconnect : public QObject {
    Q_OBJECT
public:
    // `busy` tells when the line must not be touched (an exchange or a download runs).
    PortReconnect(TCustomComPort& port, LogSink& terminal, std::function<bool()> busy, QObject* parent = nullptr);
    ~PortReconnect() override;

    void setEnabled(bool on);
    [[nodiscard]] bool enabled() const { return m_enabled; }
    // A lost device is awaited.
    [[nodiscard]] bool waiting() const { return !m_lostPort.isEmpty(); }
    [[nodiscard]] int interval() const { return m_timer.interval(); }
    void setInterval(int ms) { m_timer.setInterval(ms); }
    // Where the by-id names are; tests give their own.
    void setByIdDir(const QString& dir) { m_byIdDir = dir; }

    // One look for the device; the timer calls it.
    void check();

Q_SIGNALS:
    // The port is open again on `port`.
    void reconnected(const QString& port);

private:
    void opened();
    void lost();
    void stopWaiting();
    // For a network port: whether its server took the probe; begins one when none runs.
    [[nodiscard]] bool serverBack();
    void endProbe();
    void openAgain(const QString& name);
    [[nodiscard]] QStringList byIdNamesOf(const QString& portName) const;
    [[nodiscard]] QString comeBack() const;

    TCustomComPort& m_port;
    LogSink& m_terminal;
    std::function<bool()> m_busy;
    QTimer m_timer;
    bool m_enabled = true;
    QString m_byIdDir = QStringLiteral("/dev/serial/by-id");
    QStringList m_openByIds; // by-id names of the device while it is open
    QString m_lostPort;      // the port name when its device went away
    QStringList m_lostByIds;
    std::unique_ptr<QTcpSocket> m_probe;
    bool m_probeTaken = false;
};
