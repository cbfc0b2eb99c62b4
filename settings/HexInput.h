#pragma once

#include <QString>
#include <cstdint>

// Hex numbers as the user types them into the settings dialogs: the form in which the reads
// show them (two digits, no prefix), with a leading "$" or "0x" accepted too.
class HexInput {
public:
    // The low 8 bits of `text` read as a hexadecimal number ("1FF" gives 0xFF). Throws
    // EConvertError "'text' is not a valid integer value" for a text that is not one, an
    // empty text included.
    [[nodiscard]] static std::uint8_t lowByte(const QString& text);
    // True when `text` is not empty and holds only hexadecimal digits, in either case.
    [[nodiscard]] static bool allHexDigits(const QString& text);
};
