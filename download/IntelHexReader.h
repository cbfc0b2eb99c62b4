#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class LogSink;

// Reads a firmware file in Intel HEX (record types 00, 01, 02) into a flash image.
class IntelHexReader {
public:
    // Called after every accepted line so that the window stays alive while a big file is read.
    using Pump = std::function<void()>;

    IntelHexReader(LogSink& log, Pump pump = {});

    // Sizes `image` to `imageSize` bytes of 0xFF, sets `imageLength` to 0 and reads the file.
    // True only when the end record was reached and nothing was wrong before it. Problems are
    // logged in the log's current colour; a file that cannot be read, an empty line, or a field
    // that is missing or not hexadecimal ends the reading without a message.
    bool ReadIntelHex(const QString& fileName, std::vector<std::uint8_t>& image, std::uint32_t& imageLength,
                      std::uint32_t imageSize);

    // The same over text already in memory (the lines of a file).
    bool ReadIntelHexText(const QByteArray& text, std::vector<std::uint8_t>& image, std::uint32_t& imageLength,
                          std::uint32_t imageSize);

private:
    enum class Outcome { Running, EndRecord, Failed, Stopped };
    Outcome readLine(const QByteArray& line, std::vector<std::uint8_t>& image, std::uint32_t& imageLength,
                     std::uint32_t imageSize);
    // A data record's `count` bytes into the image, added to `sum`; Running when they fit.
    Outcome readData(const QByteArray& line, std::uint32_t count, std::uint32_t address, std::uint8_t& sum,
                     std::vector<std::uint8_t>& image, std::uint32_t& imageLength, std::uint32_t imageSize);
    // The line's checksum at `checksumAt` against `sum`; `accepted` when it matches.
    Outcome checkSum(const QByteArray& line, qsizetype checksumAt, std::uint8_t sum, Outcome accepted);

    LogSink& m_log;
    Pump m_pump;
    std::uint32_t m_segmentBase = 0;
};
