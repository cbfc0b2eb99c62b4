#pragma once

#include "MeasurementLog.h"

#include <QFile>
#include <functional>

// The log file of the script monitor. Opening always starts a new, empty file; every write
// is handed to the system at once, so whatever was measured survives a crash of the program.
// A write that fails closes the file (what it holds stays) and throws.
class MeasurementLogFile : public MeasurementLog {
public:
    MeasurementLogFile() = default;
    MeasurementLogFile(const MeasurementLogFile&) = delete;
    MeasurementLogFile& operator=(const MeasurementLogFile&) = delete;

    // Creates or empties the file; throws EInOutError when it cannot, and stays closed.
    void open(const QString& path);
    void close();
    [[nodiscard]] bool isOpen() const override { return m_file.isOpen(); }
    [[nodiscard]] QString fileName() const { return m_file.fileName(); }

    void endLine() override;
    void write(const QString& text) override;

    // Called when a failed write has closed the file.
    std::function<void()> closedByError;

private:
    void put(const QByteArray& bytes);

    QFile m_file;
};
