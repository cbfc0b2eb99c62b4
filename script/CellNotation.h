#pragma once

#include <cstdint>

// How a cell of the send list was entered. Empty means no value was given: commands then
// take 0 where they ask for the given value.
enum class CellNotation : std::uint8_t {
    Empty = 0,
    Decimal = 1, // "12"
    Hex = 2,     // "$0C"
    Binary = 3,  // "b1100"
};
