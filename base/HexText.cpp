#include "HexText.h"

#include "EConvertError.h"

#include <optional>

namespace {

QString hexDigits(std::uint32_t value, int width)
{
    return QString::number(value, 16).toUpper().rightJustified(width, QLatin1Char('0'));
}

// Decimal with optional sign, or hexadecimal behind "$", "0x" or "0X" (also signed), within
// the 32-bit range: decimal must fit a signed 32-bit value, hexadecimal may use all 32 bits.
std::optional<std::int32_t> parseInteger(const QString& text)
{
    int i = 0;
    const int n = int(text.size());
    // Leading blanks are skipped, as the traditional conversion does; trailing ones are not.
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && text[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (hex) {
        const auto bits = static_cast<std::uint32_t>(value);
        const auto result = static_cast<std::int32_t>(bits);
        return negative ? static_cast<std::int32_t>(0u - bits) : result;
    }
    if (negative) {
        if (value > 0x80000000ull)
            return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    }
    if (value > 0x7FFFFFFFull)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace

QString ByteToHex(std::uint8_t value) { return QLatin1Char('$') + hexDigits(value, 2); }
QString ByteToHexDigits(std::uint8_t value) { return hexDigits(value, 2); }
QString WordToHex(std::uint16_t value) { return QLatin1Char('$') + hexDigits(value, 4); }
QString LongWordToHex(std::uint32_t value) { return QLatin1Char('$') + hexDigits(value, 8); }

bool IsIntegerText(const QString& text) { return parseInteger(text).has_value(); }

std::int32_t StrToInt(const QString& text)
{
    if (auto v = parseInteger(text))
        return *v;
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

std::int32_t StrToIntDef(const QString& text, std::int32_t fallback) { return parseInteger(text).value_or(fallback); }
