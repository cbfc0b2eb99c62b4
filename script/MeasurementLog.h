#pragma once

#include <QString>

// Where the measuring commands put their values: one line per pass of a script, each value
// closed by ";". Every write reaches the file before the call returns.
class MeasurementLog {
public:
    virtual ~MeasurementLog() = default;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Ends the current line. Throws EInOutError when the file cannot be written.
    virtual void endLine() = 0;
    // Writes `text` without a line end. Throws EInOutError when the file cannot be written.
    virtual void write(const QString& text) = 0;
};
