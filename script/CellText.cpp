#include "CellText.h"

namespace {

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = u - u'a' + 10;
    return v < base ? v : -1;
}

} // namespace

QString FormatCell(std::uint32_t value, CellNotation notation)
{
    switch (notation) {
    case CellNotation::Empty: return {};
    case CellNotation::Decimal: return QString::number(value);
    case CellNotation::Hex:
        return QLatin1Char('$') + QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    case CellNotation::Binary: return QLatin1Char('b') + QString::number(value, 2);
    }
    return {};
}

ParsedCell ParseCell(const QString& text, std::uint32_t limit)
{
    const QString t = text.trimmed().toLower();
    ParsedCell cell;
    if (t.isEmpty())
        return cell;
    int base = 0;
    qsizetype first = 1;
    if (t[0] == QLatin1Char('$')) {
        base = 16;
        cell.notation = CellNotation::Hex;
    } else if (t[0] >= QLatin1Char('0') && t[0] <= QLatin1Char('9')) {
        base = 10;
        first = 0;
        cell.notation = CellNotation::Decimal;
    } else if (t[0] == QLatin1Char('b')) {
        base = 2;
        cell.notation = CellNotation::Binary;
    } else {
        return cell; // the editor hands in no earlier value, so this is 0
    }
    for (qsizetype i = first; i < t.size() && cell.value <= limit; ++i) {
        const int digit = digitValue(t[i], base);
        if (digit < 0) {
            cell.notation = CellNotation::Empty;
            break;
        }
        cell.value = cell.value * std::uint32_t(base) + std::uint32_t(digit);
    }
    return cell;
}
