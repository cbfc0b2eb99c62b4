#pragma once

#include <QString>
#include <cstdint>

// Where a flash, verify or read pass stands: the main window shows it next to the dots of the log.
struct TransferProgress {
    enum class Pass { Flash, Verify, Read };
    Pass pass = Pass::Flash;
    int block = 0;         // blocks done in this pass
    int blocks = 0;        // blocks of this pass
    qint64 bytesDone = 0;  // block bytes moved in both passes so far
    qint64 bytesTotal = 0; // block bytes of both passes
    qint64 elapsedMs = 0;  // since the flash pass began

    // Bytes per second so far; 0 before there is anything to go by.
    [[nodiscard]] double bytesPerSecond() const;
    // Seconds still to go at the rate so far; -1 when unknown.
    [[nodiscard]] int secondsLeft() const;
    // Share of the whole job done, 0 to 1000.
    [[nodiscard]] int permille() const;
    // "flash: block 12 of 496, 5.6 kB/s, 38 s left"
    [[nodiscard]] QString text() const;
    // "flash", "verify", "read"
    [[nodiscard]] static QString name(Pass pass);
};
