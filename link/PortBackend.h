#pragma once

#include "ComPortTypes.h"

#include <QObject>

// One device behind the serial port component: a termios device, a serial port on another
// machine (RFC 2217 or raw TCP), the in-process simulated board, or a test stub. Failing calls
// return a system error number (0 = success); the component turns them into its own errors.
class PortBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PortBackend() override = default;

    [[nodiscard]] virtual int open() = 0;
    [[nodiscard]] virtual int applySettings(const LineSettings& settings) = 0;
    // Starts or stops the readyRead notifications.
    virtual void setEventsEnabled(bool on) = 0;
    // Drops what waits in both directions.
    [[nodiscard]] virtual int purge() = 0;
    virtual void close() = 0;
    // Bytes waiting in the input queue, or a negative system error number.
    [[nodiscard]] virtual qint64 inputCount() = 0;
    // Reads at most `max` bytes that are waiting, without blocking; negative on error.
    [[nodiscard]] virtual qint64 read(char* data, qint64 max) = 0;
    // Writes all bytes, waiting at most `timeoutMs`; returns the count or a negative error.
    [[nodiscard]] virtual qint64 write(const char* data, qint64 count, int timeoutMs) = 0;
    // Reads the modem lines; 0 also where the device has none.
    [[nodiscard]] virtual int modemStatus() { return 0; }
    // Name of the device for messages and traces.
    [[nodiscard]] virtual QString deviceName() const = 0;
    // What the far end said before it closed the connection (a network port whose server
    // refuses it: "Port already in use"), for the error's explanation; empty for a device.
    [[nodiscard]] virtual QString farEndText() const { return {}; }

Q_SIGNALS:
    // Bytes may be waiting (level-triggered: repeats while bytes wait).
    void readyRead();
    // The device went away (unplugged, hung up); `error` is the system error number.
    void lineLost(int error);
    // A line for the user's terminal: something about the port that is no error (a line
    // setting the far end did not confirm).
    void notice(const QString& line);
    // The device waits for the far end in an event loop (true) or no longer (false); the line
    // counts as busy meanwhile, so that no timer or click starts an exchange in the middle.
    void waiting(bool on);
};
