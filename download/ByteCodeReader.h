#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// Reads an AWL byte-code file ("*.vlb"): comment lines start with ";", every other line is a
// list of items separated by ":", each a hex byte (its first two characters) or a quoted text.
class ByteCodeReader {
public:
    using Pump = std::function<void()>;

    explicit ByteCodeReader(Pump pump = {}) : m_pump(std::move(pump)) {}

    // Sizes `image` to `imageSize` bytes of 0xFF, sets `imageLength` to 0 and reads the file;
    // `imageLength` is then the number of bytes read. A faulty line ends only itself, but the
    // file then counts as faulty and the result is false. Never writes past `imageSize`: more
    // bytes than that make the file faulty too.
    bool ReadByteCodeFile(const QString& fileName, std::vector<std::uint8_t>& image, std::uint32_t& imageLength,
                          std::uint32_t imageSize);
    // The same over the file's contents.
    bool ReadByteCodeText(const QByteArray& text, std::vector<std::uint8_t>& image, std::uint32_t& imageLength,
                          std::uint32_t imageSize);

    // Why the last reading failed, for the log; empty when the lines only broke the format.
    [[nodiscard]] const QString& problem() const { return m_problem; }
    // 1-based number of the first faulty line, 0 when none.
    [[nodiscard]] int firstFaultyLine() const { return m_firstFaultyLine; }
    // That line as it stands in the file, empty when none.
    [[nodiscard]] const QString& firstFaultyText() const { return m_firstFaultyText; }

private:
    bool readLine(const QByteArray& line);
    void put(std::uint8_t byte);

    Pump m_pump;
    QString m_problem;
    int m_firstFaultyLine = 0;
    QString m_firstFaultyText;
    std::vector<std::uint8_t>* m_image = nullptr;
    std::uint32_t* m_length = nullptr;
    std::uint32_t m_size = 0;
    bool m_tooLarge = false;
};
