#pragma once

#include "PortBackend.h"

#include <QByteArray>
#include <QPointer>

class LinePacer;
class SimBoard;

// The port name "SIM": a simulated board inside the program, on a line that can be paced to
// its real rate and unplugged.
class SimPortBackend : public PortBackend {
    Q_OBJECT
public:
    // Uses `board` when given (tests keep hold of it), else makes its own.
    explicit SimPortBackend(SimBoard* board = nullptr, QObject* parent = nullptr);
    ~SimPortBackend() override;

    int open() override;
    int applySettings(const LineSettings& settings) override;
    void setEventsEnabled(bool on) override;
    int purge() override;
    void close() override;
    qint64 inputCount() override;
    qint64 read(char* data, qint64 max) override;
    qint64 write(const char* data, qint64 count, int timeoutMs) override;
    QString deviceName() const override { return QStringLiteral("SIM"); }

    [[nodiscard]] SimBoard& board() { return *m_board; }
    void setPaced(bool on);
    // The board goes away as if its cable was pulled.
    void unplug();

private:
    void arrive(const QByteArray& bytes);
    void notify();

    QPointer<SimBoard> m_board;
    bool m_ownsBoard = false;
    LinePacer* m_toBoard = nullptr;
    LinePacer* m_toPc = nullptr;
    QByteArray m_input;
    bool m_open = false;
    bool m_events = false;
    bool m_unplugged = false;
    bool m_notifyQueued = false;
    QMetaObject::Connection m_transmit;
};
