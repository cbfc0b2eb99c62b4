#pragma once

#include "CellNotation.h"
#include "CellText.h"

#include <QString>
#include <array>
#include <cstdint>

// Grid columns of the send list.
namespace SendColumn {
inline constexpr int Cmd = 0;
inline constexpr int FirstData = 1; // D0 .. D7 in columns 1 .. 8
inline constexpr int Delay = 9;
inline constexpr int Send = 10; // the "Senden" button cell
inline constexpr int Comment = 11;
inline constexpr int Count = 12;
} // namespace SendColumn

// One row of the send list: a command mnemonic, up to eight data bytes with the notation each
// was entered in, a delay in 100 ms ticks and a comment.
struct SendRow {
    static constexpr int DataCount = 8;

    QString CMD;
    std::array<std::uint8_t, DataCount> data{};
    std::array<CellNotation, DataCount> notation{};
    std::uint16_t delay = 0;
    CellNotation delayNotation = CellNotation::Empty;
    QString Comment;

    // The value of data cell i when one was given, else 0.
    [[nodiscard]] std::uint8_t given(int i) const { return notation[i] == CellNotation::Empty ? 0 : data[i]; }
    // Ticks to wait after starting this row.
    [[nodiscard]] std::uint16_t givenDelay() const { return delayNotation == CellNotation::Empty ? 0 : delay; }

    // Text of a grid column as the grid shows it and its editor starts with; the button
    // column has none.
    [[nodiscard]] QString cellText(int column) const;
    // Stores what the editor holds. Data cells keep the low 8 bits, the delay the low 16;
    // returns what the text was read as (for the text columns, what it would read as).
    ParsedCell setCellText(int column, const QString& text);

    friend bool operator==(const SendRow&, const SendRow&) = default;
};
