#pragma once

#include "DebugSample.h"

#include <QList>
#include <QString>
#include <cstdint>

class SampleRing;

// The debug window's samples as CSV text: a header, then one row per sample with its time in
// ISO 8601 local time with milliseconds and the offset from UTC, the cycle's status, the three
// digital I/O bytes in hex, and one column per signal. A value the cycle did not get is an
// empty cell. Comma-separated, as spreadsheets and scripts read CSV by default; no cell needs
// quotes (numbers, hex bytes and the fixed status words only).
class SampleCsv {
public:
    struct Column {
        bool word = false;
        std::uint8_t signal = 0;
        friend bool operator==(const Column&, const Column&) = default;
    };

    explicit SampleCsv(QList<Column> columns) : m_columns(std::move(columns)) {}
    // The columns of every signal the ring's samples hold, the 1-bit ones first, each kind in
    // the order the signals first appeared (the user may change them while polling).
    [[nodiscard]] static SampleCsv forRing(const SampleRing& ring);

    [[nodiscard]] const QList<Column>& columns() const { return m_columns; }
    // "time,status,inputs,buttons,outputs,bit 13,word 10", without a line end.
    [[nodiscard]] QString header() const;
    [[nodiscard]] QString row(const DebugSample& sample) const;

    [[nodiscard]] static QString statusText(DebugSample::Status status);
    [[nodiscard]] static QString timeText(qint64 msSinceEpoch);

private:
    QList<Column> m_columns;
};
