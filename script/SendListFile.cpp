#include "SendListFile.h"

#include "EConvertError.h"
#include "EInOutError.h"
#include "HexText.h"
#include "Latin1Text.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

constexpr int FieldCount = 12;
constexpr int CommentField = 10;

// A binary field as the writer puts it: "b" and binary digits.
bool isBinaryField(const QString& field)
{
    const QString t = field.trimmed();
    if (t.size() < 2 || (t[0] != QLatin1Char('b') && t[0] != QLatin1Char('B')))
        return false;
    for (qsizetype i = 1; i < t.size(); ++i)
        if (t[i] != QLatin1Char('0') && t[i] != QLatin1Char('1'))
            return false;
    return true;
}

std::uint32_t binaryValue(const QString& field)
{
    const QString t = field.trimmed();
    std::uint32_t v = 0;
    for (qsizetype i = 1; i < t.size(); ++i)
        v = (v << 1) | std::uint32_t(t[i] == QLatin1Char('1'));
    return v;
}

// A data or delay field: its notation and value. Empty fields are flagged by the caller.
ParsedCell readNumber(const QString& field, bool isDelay)
{
    if (isBinaryField(field))
        return {CellNotation::Binary, binaryValue(field)};
    const auto value = std::uint32_t(StrToInt(field));
    // The delay has always come back as decimal, also when it was typed with "$".
    const bool hex = !isDelay && field.contains(QLatin1Char('$'));
    return {hex ? CellNotation::Hex : CellNotation::Decimal, value};
}

QString numberField(std::uint32_t value, CellNotation notation, bool isDelay)
{
    switch (notation) {
    case CellNotation::Empty: return {};
    case CellNotation::Decimal: return QString::number(value);
    case CellNotation::Hex:
        return isDelay ? QString::number(value) : QLatin1Char('$') + QString::number(value, 16).toUpper();
    case CellNotation::Binary: return QLatin1Char('b') + QString::number(value, 2);
    }
    return {};
}

// A line end inside a text field would split the row in two.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (std::uint8_t(c) >= 0x80)
            return false;
    return true;
}

} // namespace

QString SendListFile::decode(const QByteArray& bytes)
{
    // Stateless, so that a sequence cut off by the end of the file counts as an error instead of
    // waiting for bytes that never come (the last character would be lost).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // Lists written on older systems carry their umlauts as single Latin-1 bytes.
    return QString::fromLatin1(bytes);
}

SendRow SendListFile::parseLine(const QString& line)
{
    SendRow row;
    qsizetype pos = 0;
    for (int field = 0; field < FieldCount; ++field) {
        if (pos >= line.size())
            break; // the fields behind stay empty
        qsizetype end = line.indexOf(QLatin1Char(';'), pos);
        // The comment runs to the end of the line, ";" and all.
        if (end < 0 || field == CommentField)
            end = line.size();
        const QString text = line.mid(pos, end - pos);
        pos = end + 1;
        const bool empty = text.isEmpty();
        if (field == 0) {
            row.CMD = empty ? QStringLiteral("0") : text;
        } else if (field <= SendRow::DataCount) {
            if (empty)
                continue;
            const ParsedCell c = readNumber(text, false);
            row.data[field - 1] = std::uint8_t(c.value & 0xFF);
            row.notation[field - 1] = c.notation;
        } else if (field == 9) {
            if (empty)
                continue;
            const ParsedCell c = readNumber(text, true);
            row.delay = std::uint16_t(c.value & 0xFFFF);
            row.delayNotation = c.notation;
        } else if (field == CommentField) {
            row.Comment = text;
        }
    }
    return row;
}

void SendListFile::readRows(const QString& text, SendList& list)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    // A file that ends with its line end has no row behind it.
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        list.append(parseLine(line));
    }
}

void SendListFile::load(const QString& path, SendList& list)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    file.close();
    list.clear();
    const QString text = decode(bytes);
    list.utf8 = !isAscii(bytes) && text.toUtf8() == bytes;
    readRows(text, list);
}

QString SendListFile::formatRow(const SendRow& row)
{
    QString line = oneLine(row.CMD) + QLatin1Char(';');
    for (int i = 0; i < SendRow::DataCount; ++i)
        line += numberField(row.data[i], row.notation[i], false) + QLatin1Char(';');
    line += numberField(row.delay, row.delayNotation, true) + QLatin1Char(';');
    line += oneLine(row.Comment);
    return line;
}

QByteArray SendListFile::format(const SendList& list)
{
    QString text = Header + QStringLiteral("\r\n");
    for (const SendRow& row : list.rows())
        text += formatRow(row) + QStringLiteral("\r\n");
    return !list.utf8 && fitsLatin1(text) ? text.toLatin1() : text.toUtf8();
}

void SendListFile::save(const QString& path, const SendList& list)
{
    // A ";" in a command would split its line on loading; such a list is not written at all.
    for (int i = 0; i < list.size(); ++i)
        if (list.at(i).CMD.contains(QLatin1Char(';')))
            throw EInOutError(QStringLiteral("Cannot write %1: the CMD \"%2\" of row %3 holds a \";\", which the file "
                                             "uses to separate its fields")
                                  .arg(QDir::toNativeSeparators(path), list.at(i).CMD, QString::number(i + 1)));
    QSaveFile file(path);
    const QByteArray bytes = format(list);
    // Unbuffered, so that a write cut short by a full disk is seen here; a buffered save file
    // would commit the cut-off text as if it were whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}
