#include "HexInput.h"

#include "EConvertError.h"
#include "HexText.h"

std::uint8_t HexInput::lowByte(const QString& text)
{
    QString digits = text;
    if (digits.startsWith(QLatin1Char('$')))
        digits.remove(0, 1);
    else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    // The digits alone behind a "$": a sign, a blank or a second prefix does not convert.
    const QString hex = QLatin1Char('$') + digits;
    if (!allHexDigits(digits) || !IsIntegerText(hex))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return static_cast<std::uint8_t>(StrToInt(hex) & 0xFF);
}

bool HexInput::allHexDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')))
            return false;
    }
    return true;
}
