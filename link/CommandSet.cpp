#include "CommandSet.h"

#include "HexText.h"

#include <array>

namespace {

std::span<const std::uint8_t> bytesOf(const QByteArray& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.constData()), static_cast<std::size_t>(text.size())};
}

} // namespace

QString CommandSet::build(std::uint8_t code, std::span<const std::uint8_t> data, EndCase end, Spelling spelling)
{
    // The length byte counts the command too; a telegram never carries more than 99 data bytes.
    Q_ASSERT(data.size() <= 99);
    const auto digits = [](std::uint8_t b, bool lower) {
        return lower ? ByteToHexDigits(b).toLower() : ByteToHexDigits(b);
    };
    QString t = QStringLiteral(":aa") + digits(std::uint8_t(1 + data.size()), spelling == Spelling::LowerLength) +
                ByteToHexDigits(code);
    for (std::size_t i = 0; i < data.size(); ++i)
        t += digits(data[i], spelling == Spelling::LowerLastByte && i + 1 == data.size());
    t += end == EndCase::Upper ? QStringLiteral("A5\r") : QStringLiteral("a5\r");
    return t;
}

QString CommandSet::selectAddress(std::uint16_t address)
{
    const std::array<std::uint8_t, 2> d{std::uint8_t(address & 0xFF), std::uint8_t(address >> 8)};
    return build(SelectAddress, d);
}

QString CommandSet::eepromWriteByte(std::uint8_t value)
{
    const std::array<std::uint8_t, 1> d{value};
    return build(EepromWrite, d);
}

QString CommandSet::eepromWrite(std::span<const std::uint8_t> bytes)
{
    return build(EepromWrite, bytes, EndCase::Upper);
}

QString CommandSet::eepromWriteEntry(std::span<const std::uint8_t, 11> bytes)
{
    return build(EepromWrite, bytes, EndCase::Lower, Spelling::LowerLength);
}

QString CommandSet::eepromWriteEntryText(const QString& digits)
{
    Q_ASSERT(digits.size() == 22);
    return QStringLiteral(":aa0c33") + digits + QStringLiteral("a5\r");
}

QString CommandSet::eepromRead(std::uint8_t count)
{
    const std::array<std::uint8_t, 1> d{count};
    return build(EepromRead, d);
}

QString CommandSet::ramWrite(std::span<const std::uint8_t> bytes) { return build(RamWrite, bytes, EndCase::Upper); }

QString CommandSet::ramRead(std::uint8_t count)
{
    const std::array<std::uint8_t, 1> d{count};
    return build(RamRead, d);
}

QString CommandSet::romRead(std::uint8_t count)
{
    const std::array<std::uint8_t, 1> d{count};
    return build(RomRead, d);
}

QString CommandSet::fileBlockAddress(std::uint8_t block)
{
    const std::array<std::uint8_t, 1> d{block};
    return build(FileBlockAddress, d);
}

QString CommandSet::messageWrite(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    const std::array<std::uint8_t, 3> d{b0, b1, b2};
    return build(Message, d, EndCase::Upper);
}

QString CommandSet::bitVariable(std::uint8_t signal)
{
    const std::array<std::uint8_t, 2> d{std::uint8_t(signal / 8), 0};
    return build(BitVariable, d);
}

QString CommandSet::wordVariable(std::uint8_t signal)
{
    const std::array<std::uint8_t, 2> d{signal, 0};
    return build(WordVariable, d);
}

QString CommandSet::moduleReading(std::uint8_t module)
{
    const std::array<std::uint8_t, 1> d{module};
    return build(ModuleReading, d);
}

QString CommandSet::canRead(std::uint8_t module)
{
    const std::array<std::uint8_t, 1> d{module};
    return build(CanRead, d);
}

QString CommandSet::canWrite(std::uint8_t module, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    const std::array<std::uint8_t, 4> d{module, b0, b1, b2};
    return build(CanWrite, d);
}

namespace {

// A file name may be longer than the data of the other telegrams; the board takes up to 254.
QString fileName(std::uint8_t code, const QByteArray& name)
{
    Q_ASSERT(name.size() < 255);
    QString t = QStringLiteral(":aa") + ByteToHexDigits(std::uint8_t(1 + name.size())) + ByteToHexDigits(code);
    for (char c : name)
        t += ByteToHexDigits(std::uint8_t(c));
    return t + QStringLiteral("a5\r");
}

} // namespace

QString CommandSet::fileOpenWrite(const QByteArray& name) { return fileName(FileOpenWrite, name); }

QString CommandSet::fileOpenRead(const QByteArray& name) { return fileName(FileOpenRead, name); }

QString CommandSet::fileWrite(const QByteArray& text, bool lineEnd)
{
    if (!lineEnd)
        return build(FileWrite, bytesOf(text));
    // The last part of a line carries the line feed behind the text.
    const QByteArray withEnd = text + '\n';
    return build(FileWrite, bytesOf(withEnd), EndCase::Lower, Spelling::LowerLastByte);
}
