#pragma once

#include <QString>
#include <cstdint>

// Hex texts of bytes and words as the logs and telegrams show them (upper-case digits).

// "$" and two digits: 0x3A gives "$3A".
QString ByteToHex(std::uint8_t value);
// Two digits, no prefix: 0x3A gives "3A". This is the form used inside telegrams.
QString ByteToHexDigits(std::uint8_t value);
// "$" and four digits: 0x1F40 gives "$1F40".
QString WordToHex(std::uint16_t value);
// "$" and eight digits: 0x12AB gives "$000012AB".
QString LongWordToHex(std::uint32_t value);

// True when `text` converts to a 32-bit integer the way the board tools always did: an optional
// sign, then decimal digits, or hexadecimal digits behind "$" (or "0x"). Leading blanks are
// skipped; trailing ones make the text no integer.
bool IsIntegerText(const QString& text);

// The integer conversion itself. Throws EConvertError with "'%s' is not a valid integer value".
std::int32_t StrToInt(const QString& text);
// Like StrToInt, but gives `fallback` instead of throwing.
std::int32_t StrToIntDef(const QString& text, std::int32_t fallback);
