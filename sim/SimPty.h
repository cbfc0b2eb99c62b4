#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class LinePacer;
class QSocketNotifier;
class SimBoard;

// Puts a simulated board behind a pseudo-terminal: any program can open the slave side as its
// serial port. The slave is kept open here as well, so that the line stays up between clients.
class SimPty : public QObject {
    Q_OBJECT
public:
    explicit SimPty(SimBoard& board, QObject* parent = nullptr);
    ~SimPty() override;

    // Creates the pseudo-terminal; returns false with `error` set when that fails.
    bool start(QString* error = nullptr);
    // The device a client opens, e.g. /dev/pts/7.
    [[nodiscard]] const QString& slavePath() const { return m_slavePath; }
    // Also makes `linkPath` a symbolic link to the slave. Only a symbolic link found there is
    // replaced: anything else is left as it is, and the call returns false with `error` set.
    bool placeLink(const QString& linkPath, QString* error);
    void setPaced(bool on);
    // Hands what the client sends to `peer` instead of the board, which then no longer
    // speaks on the line; the peer answers through send().
    void setPeer(std::function<void(const QByteArray&)> peer);
    // Bytes for the client, on the line's pace as the board's are.
    void send(const QByteArray& bytes);
    // Pulls the cable: the master closes and the slave device disappears.
    void unplug();
    [[nodiscard]] bool running() const { return m_master >= 0; }
    // Whether clientOpened() comes on this system (the kernel reports opens of the device).
    [[nodiscard]] bool seesClients() const { return m_openNotifier != nullptr; }

Q_SIGNALS:
    // A program opened the device.
    void clientOpened();

private:
    // The input is read only while the line has taken what came before, and while the board's
    // output waits for little more than a pipe holds: a client that writes faster than the line
    // carries finds the pseudo-terminal full, as on a real line.
    static constexpr qsizetype ReadAhead = 64;
    static constexpr qsizetype MaxOutputBacklog = 16384;
    void updateReading();
    void removeLink();
    void onReadable();
    void onWritable();
    void onOpened();
    void toClient(const QByteArray& bytes);

    SimBoard& m_board;
    std::function<void(const QByteArray&)> m_peer;
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    int m_opens = -1; // inotify, watching the slave for opens
    std::unique_ptr<QSocketNotifier> m_openNotifier;
    QByteArray m_outQueue;
    LinePacer* m_toBoard = nullptr;
    LinePacer* m_toPc = nullptr;
};
