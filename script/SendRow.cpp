#include "SendRow.h"

QString SendRow::cellText(int column) const
{
    if (column == SendColumn::Cmd)
        return CMD;
    if (column >= SendColumn::FirstData && column < SendColumn::FirstData + DataCount) {
        const int i = column - SendColumn::FirstData;
        return FormatCell(data[i], notation[i]);
    }
    if (column == SendColumn::Delay)
        return FormatCell(delay, delayNotation);
    if (column == SendColumn::Comment)
        return Comment;
    return {};
}

ParsedCell SendRow::setCellText(int column, const QString& text)
{
    const bool isDelay = column == SendColumn::Delay;
    const ParsedCell parsed = ParseCell(text, isDelay ? DelayCellLimit : DataCellLimit);
    if (column == SendColumn::Cmd) {
        CMD = text;
    } else if (column >= SendColumn::FirstData && column < SendColumn::FirstData + DataCount) {
        const int i = column - SendColumn::FirstData;
        data[i] = std::uint8_t(parsed.value & 0xFF);
        notation[i] = parsed.notation;
    } else if (isDelay) {
        delay = std::uint16_t(parsed.value & 0xFFFF);
        delayNotation = parsed.notation;
    } else if (column == SendColumn::Comment) {
        Comment = text;
    }
    return parsed;
}
