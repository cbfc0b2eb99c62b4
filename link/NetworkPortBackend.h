#pragma once

#include "PortBackend.h"
#include "PortNames.h"
#include "Rfc2217Codec.h"

#include <QHash>
#include <memory>
#include <optional>

class QEventLoop;
class QTcpSocket;

// A serial port on another machine: "rfc2217://HOST:PORT" (Telnet with COM-PORT-OPTION, the
// line settings reach the far port) or "socket://HOST:PORT" (the bytes alone). It only moves
// bytes between the socket and the codec; the layers above see the board's data bytes and
// nothing else, as from a device.
//
// Open connects within ConnectMs, negotiates, and waits a moment for a server that refuses
// the connection with a line of text and closes it. Those waits, and the one for the answers
// to the line settings, sleep in an event loop and say so (waiting()), so that the line counts
// as busy meanwhile; a write waits for the socket without the event loop, as a device write
// does. The server closing the connection afterwards is a lost line.
class NetworkPortBackend : public PortBackend {
    Q_OBJECT
public:
    static constexpr int ConnectMs = 3000;
    // How long an answer of the server may take (negotiation, line settings) before it counts
    // as unknown.
    static constexpr int AnswerMs = 2000;
    // After the negotiation: a refusal comes right behind the greeting; once nothing has come
    // for this long, the connection is taken.
    static constexpr int SettleMs = 30;

    explicit NetworkPortBackend(QString portName, QObject* parent = nullptr);
    ~NetworkPortBackend() override;

    int open() override;
    int applySettings(const LineSettings& settings) override;
    void setEventsEnabled(bool on) override;
    int purge() override;
    void close() override;
    qint64 inputCount() override;
    qint64 read(char* data, qint64 max) override;
    qint64 write(const char* data, qint64 count, int timeoutMs) override;
    QString deviceName() const override { return m_name; }
    QString farEndText() const override { return m_farEndText; }

protected:
    bool event(QEvent* e) override;

private:
    enum class Wait { Done, TimedOut, Ended };
    // Sleeps in an event loop until `done`, the time is over, or the connection ends.
    Wait waitFor(const std::function<bool()>& done, int ms);
    void wake();
    int connectSocket();
    int negotiate();
    void settle();
    void tuneSocket();
    void ackAtOnce();
    void onReadyRead();
    void onEnded();
    void take(const QByteArray& raw);
    void postNotify();
    void notify();
    [[nodiscard]] int socketErrorNumber() const;
    [[nodiscard]] qint64 buffered() const { return m_input.size() - m_inputAt; }
    [[nodiscard]] int endedError() const;

    QString m_name;
    std::optional<PortNames::NetworkPort> m_address;
    std::unique_ptr<QTcpSocket> m_socket;
    Rfc2217Codec m_codec;
    QByteArray m_input; // decoded data bytes, read from m_inputAt on
    qsizetype m_inputAt = 0;
    QString m_farEndText;
    bool m_telnet = true;
    bool m_events = false;
    bool m_notifyPosted = false;
    bool m_opened = false;     // open() has succeeded
    bool m_ended = false;      // the connection is over (closed by either side, or broken)
    bool m_closed = false;     // close() was called
    bool m_lostPosted = false; // the lost line has been reported
    int m_endError = 0;
    QEventLoop* m_loop = nullptr;
    int m_waitDepth = 0;
    bool m_deleteLater = false;
    QHash<std::uint8_t, QByteArray> m_pending; // requests without an answer, with their values
    QStringList m_differing;                   // settings the server answered with another value
};
