#pragma once

#include "LowLatency.h"
#include "PortBackend.h"

#include <memory>
#include <termios.h>

class QSocketNotifier;

// A termios device: opened exclusively, raw, non-blocking; the old line settings come back on
// close, and so does the driver's latency, which is lowered while the port is open. Readiness
// comes from a socket notifier on the UI thread.
class PosixSerialBackend : public PortBackend {
    Q_OBJECT
public:
    explicit PosixSerialBackend(QString devicePath, QObject* parent = nullptr);
    ~PosixSerialBackend() override;

    int open() override;
    int applySettings(const LineSettings& settings) override;
    void setEventsEnabled(bool on) override;
    int purge() override;
    void close() override;
    qint64 inputCount() override;
    qint64 read(char* data, qint64 max) override;
    qint64 write(const char* data, qint64 count, int timeoutMs) override;
    int modemStatus() override;
    QString deviceName() const override { return m_path; }

    [[nodiscard]] int fd() const { return m_fd; }
    // The line settings the device had before it was opened; null when they could not be read.
    [[nodiscard]] const termios* savedSettings() const { return m_haveOldSettings ? &m_oldSettings : nullptr; }

private:
    void onActivated();

    QString m_path;
    int m_fd = -1;
    bool m_haveOldSettings = false;
    termios m_oldSettings{};
    LowLatency m_latency;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
