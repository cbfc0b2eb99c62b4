#include "IntelHexReader.h"

#include "HexText.h"
#include "LineSplitter.h"
#include "LogSink.h"

#include <QFile>
#include <optional>

namespace {

// The field of `length` characters from the 1-based character `position`, as a number; nothing
// when the line is too short or a character is not a hexadecimal digit.
std::optional<std::uint32_t> hexField(const QByteArray& line, qsizetype position, qsizetype length)
{
    const qsizetype from = position - 1;
    if (from < 0 || from + length > line.size())
        return std::nullopt;
    std::uint32_t value = 0;
    for (qsizetype i = from; i < from + length; ++i) {
        const char c = line[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + std::uint32_t(digit);
    }
    return value;
}

} // namespace

IntelHexReader::IntelHexReader(LogSink& log, Pump pump) : m_log(log), m_pump(std::move(pump)) {}

bool IntelHexReader::ReadIntelHex(const QString& fileName, std::vector<std::uint8_t>& image, std::uint32_t& imageLength,
                                  std::uint32_t imageSize)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        image.assign(imageSize, 0xFF);
        imageLength = 0;
        return false;
    }
    const QByteArray text = file.readAll();
    file.close();
    return ReadIntelHexText(text, image, imageLength, imageSize);
}

bool IntelHexReader::ReadIntelHexText(const QByteArray& text, std::vector<std::uint8_t>& image,
                                      std::uint32_t& imageLength, std::uint32_t imageSize)
{
    image.assign(imageSize, 0xFF);
    imageLength = 0;
    m_segmentBase = 0;

    LineSplitter lines(text);
    QByteArray line;
    while (lines.next(line)) {
        const Outcome outcome = readLine(line, image, imageLength, imageSize);
        if (outcome == Outcome::Failed || outcome == Outcome::Stopped)
            return false;
        if (m_pump)
            m_pump();
        // What follows the end record does not belong to the firmware; it is not looked at.
        if (outcome == Outcome::EndRecord)
            return true;
    }
    return false; // no end record
}

IntelHexReader::Outcome IntelHexReader::readLine(const QByteArray& line, std::vector<std::uint8_t>& image,
                                                 std::uint32_t& imageLength, std::uint32_t imageSize)
{
    if (line.isEmpty())
        return Outcome::Stopped;
    if (line[0] != ':') {
        m_log.addLine(QStringLiteral("Ungültiges Dateiformat (kein Intel-Hex)"));
        return Outcome::Failed;
    }
    const auto count = hexField(line, 2, 2);
    const auto address = hexField(line, 4, 4);
    const auto type = hexField(line, 8, 2);
    if (!count || !address || !type)
        return Outcome::Stopped;
    std::uint8_t sum = std::uint8_t(*count + (*address >> 8) + (*address & 0xFF) + *type);

    qsizetype checksumAt = 0;
    Outcome accepted = Outcome::Running;
    switch (*type) {
    case 0x00: {
        const Outcome stored = readData(line, *count, *address, sum, image, imageLength, imageSize);
        if (stored != Outcome::Running)
            return stored;
        checksumAt = 10 + 2 * qsizetype(*count);
        break;
    }
    case 0x01:
        checksumAt = 10;
        accepted = Outcome::EndRecord;
        break;
    case 0x02: {
        const auto segment = hexField(line, 10, 4);
        if (!segment)
            return Outcome::Stopped;
        sum = std::uint8_t(sum + (*segment >> 8) + (*segment & 0xFF));
        m_segmentBase = *segment * 16;
        checksumAt = 14;
        break;
    }
    default:
        m_log.addLine(QStringLiteral("Ungültiger Record in Hex-Datei (unbekannte Funktion)"));
        return Outcome::Failed;
    }

    return checkSum(line, checksumAt, sum, accepted);
}

IntelHexReader::Outcome IntelHexReader::readData(const QByteArray& line, std::uint32_t count, std::uint32_t address,
                                                 std::uint8_t& sum, std::vector<std::uint8_t>& image,
                                                 std::uint32_t& imageLength, std::uint32_t imageSize)
{
    const std::uint64_t start = std::uint64_t(address) + m_segmentBase;
    if (start + count > imageSize) {
        m_log.addLine(QStringLiteral("Hex-Datei größer als Flash-Speicher (") + QString::number(imageSize) +
                      QStringLiteral(" Byte)"));
        return Outcome::Failed;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto data = hexField(line, 10 + 2 * i, 2);
        if (!data)
            return Outcome::Stopped;
        sum = std::uint8_t(sum + *data);
        std::uint8_t& cell = image[std::size_t(start + i)];
        // 0xFF is the erased value: it never counts as an earlier entry.
        if (cell != 0xFF && cell == *data) {
            m_log.addLine(QStringLiteral("Eintrag in Datei doppelt vorhanden"));
            return Outcome::Failed;
        }
        cell = std::uint8_t(*data);
    }
    // A record without data writes nothing and leaves the length alone.
    if (count > 0 && start + count > imageLength)
        imageLength = std::uint32_t(start + count);
    return Outcome::Running;
}

IntelHexReader::Outcome IntelHexReader::checkSum(const QByteArray& line, qsizetype checksumAt, std::uint8_t sum,
                                                 Outcome accepted)
{
    const auto checksum = hexField(line, checksumAt, 2);
    if (!checksum)
        return Outcome::Stopped;
    if (std::uint8_t(sum + *checksum) != 0) {
        m_log.addLine(QStringLiteral("Prüfsumme der Hex-Datei ungültig; LineChecksum: ") +
                      ByteToHex(std::uint8_t(*checksum)) + QStringLiteral("; Checksum: ") + ByteToHex(sum));
        m_log.addLine(QStringLiteral("read line: ") + QString::fromLatin1(line));
        return Outcome::Failed;
    }
    return accepted;
}
