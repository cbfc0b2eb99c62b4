#pragma once

#include "CellNotation.h"

#include <QString>
#include <cstdint>

// What an edited cell text stands for: its notation and the value reached while reading it.
struct ParsedCell {
    CellNotation notation = CellNotation::Empty;
    std::uint32_t value = 0;
    friend bool operator==(const ParsedCell&, const ParsedCell&) = default;
};

// Limits of the cell kinds: a data byte and the delay in ticks.
inline constexpr std::uint32_t DataCellLimit = 255;
inline constexpr std::uint32_t DelayCellLimit = 10000;

// The text of a cell for the grid and its editor: empty, "12", "$0C" or "b1100". Hex shows
// exactly two digits for a byte and as many as needed above 255 (a delay of 300 is "$12C").
QString FormatCell(std::uint32_t value, CellNotation notation);

// Reads what was typed into a cell. Blanks around the text and the case of letters do not
// matter. Reading stops before the next character once the value has passed `limit`; the
// value reached is kept, also when a later character makes the text invalid (notation
// Empty). The caller keeps the low 8 or 16 bits.
ParsedCell ParseCell(const QString& text, std::uint32_t limit);
