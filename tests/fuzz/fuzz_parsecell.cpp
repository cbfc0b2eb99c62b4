// What a cell editor's text is read as, against a model over the digits of the text: the
// value is that of the digits read until it passes the limit, and a character that is no digit
// of the notation, when it is reached, makes the notation empty. A formatted cell reads back as
// the value and notation it was made from.
#include "CellText.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"

namespace {

ParsedCell model(const QString& typed, std::uint32_t limit)
{
    const QString t = typed.trimmed().toLower();
    if (t.isEmpty())
        return {};
    const QChar first = t[0];
    int base;
    CellNotation notation;
    QString digits;
    if (first == QLatin1Char('$')) {
        base = 16, notation = CellNotation::Hex, digits = t.mid(1);
    } else if (first >= QLatin1Char('0') && first <= QLatin1Char('9')) {
        base = 10, notation = CellNotation::Decimal, digits = t;
    } else if (first == QLatin1Char('b')) {
        base = 2, notation = CellNotation::Binary, digits = t.mid(1);
    } else {
        return {};
    }
    const QString valid = QStringLiteral("0123456789abcdef").left(base);
    std::uint64_t value = 0;
    for (QChar c : digits) {
        if (value > limit)
            return {notation, std::uint32_t(value)};
        const qsizetype digit = valid.indexOf(c);
        if (digit < 0)
            return {CellNotation::Empty, std::uint32_t(value)};
        value = value * std::uint64_t(base) + std::uint64_t(digit);
    }
    return {notation, std::uint32_t(value)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t which = in.byte();
    // The two limits of the grid, or any other below 2^24.
    const std::uint32_t limit = which % 3 == 0   ? DataCellLimit
                                : which % 3 == 1 ? DelayCellLimit
                                                 : (in.longWord() & 0xFFFFFF);
    const std::uint32_t number = in.longWord() % (limit + 1);
    const QByteArray text = in.rest();

    for (const QString& typed : {QString::fromUtf8(text), QString::fromLatin1(text)}) {
        const ParsedCell got = ParseCell(typed, limit);
        FUZZ_CHECK_SAY(got == model(typed, limit), typed);
    }
    for (CellNotation n : {CellNotation::Decimal, CellNotation::Hex, CellNotation::Binary}) {
        const QString formatted = FormatCell(number, n);
        FUZZ_CHECK_SAY((ParseCell(formatted, limit) == ParsedCell{n, number}), formatted);
        FUZZ_CHECK_SAY(
            (ParseCell(QLatin1Char(' ') + formatted.toUpper() + QLatin1Char('\t'), limit) == ParsedCell{n, number}),
            formatted);
    }
    FUZZ_CHECK(FormatCell(number, CellNotation::Empty).isEmpty());
    return 0;
}
