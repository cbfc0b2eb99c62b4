// The hex-text conversions against a plain model: the hex forms of a number against printf,
// the integer conversion of any text against a parser built on std::from_chars, and the
// round trips number -> text -> number.
#include "EConvertError.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "HexText.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

namespace {

QString printed(const char* format, std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

// Blanks and tabs in front, a sign, then decimal digits, or hex digits behind "$", "0x" or
// "0X"; nothing behind. Decimal must fit 32 signed bits, hex 32 bits (and is then negated as
// such when signed).
std::optional<std::int32_t> model(const QString& text)
{
    const std::string s = text.toStdString(); // UTF-8: nothing outside ASCII is a digit
    std::size_t i = s.find_first_not_of(" \t");
    if (i == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (s[i] == '-' || s[i] == '+') {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (s.compare(i, 1, "$") == 0) {
        base = 16;
        i += 1;
    } else if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    }
    const std::string digits = s.substr(std::min(i, s.size()));
    if (digits.empty())
        return std::nullopt;
    for (char c : digits)
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size() || value > 0xFFFFFFFFull)
        return std::nullopt;
    if (base == 16) {
        const auto bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    const std::int64_t signedValue = negative ? -std::int64_t(value) : std::int64_t(value);
    if (signedValue < INT32_MIN || signedValue > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(signedValue);
}

void checkConversion(const QString& text)
{
    const auto expected = model(text);
    FUZZ_CHECK_SAY(IsIntegerText(text) == expected.has_value(), text);
    FUZZ_CHECK_SAY(StrToIntDef(text, 77) == expected.value_or(77), text);
    try {
        const std::int32_t value = StrToInt(text);
        FUZZ_CHECK_SAY(expected && value == *expected, text);
    } catch (const EConvertError& e) {
        FUZZ_CHECK_SAY(!expected, text);
        FUZZ_CHECK(e.message() == QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint32_t value = in.longWord();
    FUZZ_CHECK(ByteToHex(std::uint8_t(value)) == printed("$%02X", value & 0xFF));
    FUZZ_CHECK(ByteToHexDigits(std::uint8_t(value)) == printed("%02X", value & 0xFF));
    FUZZ_CHECK(WordToHex(std::uint16_t(value)) == printed("$%04X", value & 0xFFFF));
    FUZZ_CHECK(LongWordToHex(value) == printed("$%08X", value));
    FUZZ_CHECK(StrToInt(LongWordToHex(value)) == static_cast<std::int32_t>(value));
    FUZZ_CHECK(StrToInt(QString::number(static_cast<std::int32_t>(value))) == static_cast<std::int32_t>(value));
    FUZZ_CHECK(StrToInt(QLatin1Char('$') + ByteToHexDigits(std::uint8_t(value))) == std::int32_t(value & 0xFF));

    // The rest as text, read both ways a file may hold it.
    const QByteArray text = in.rest();
    checkConversion(QString::fromLatin1(text));
    checkConversion(QString::fromUtf8(text));
    return 0;
}
