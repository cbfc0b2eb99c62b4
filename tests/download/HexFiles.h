#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

// Writing test files: Intel HEX records with their checksums, and files on disk.

inline QByteArray record(int type, std::uint16_t address, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size())).append(char(address >> 8)).append(char(address)).append(char(type));
    bytes.append(data);
    std::uint8_t sum = 0;
    for (char c : bytes)
        sum = std::uint8_t(sum + std::uint8_t(c));
    bytes.append(char(std::uint8_t(0x100 - sum)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

inline const QByteArray EndRecord = ":00000001FF\r\n";

// `image` from address 0 in records of 16 bytes, with segment records past 64 KiB.
inline QByteArray hexFile(const std::vector<std::uint8_t>& image)
{
    QByteArray text;
    std::uint32_t segment = 0;
    for (std::size_t at = 0; at < image.size(); at += 16) {
        if ((at >> 16) != segment) {
            segment = std::uint32_t(at >> 16);
            const std::uint16_t value = std::uint16_t(segment << 12);
            const char bytes[] = {char(value >> 8), char(value & 0xFF)};
            text += record(2, 0, QByteArray(bytes, 2));
        }
        const std::size_t n = std::min<std::size_t>(16, image.size() - at);
        text += record(0, std::uint16_t(at & 0xFFFF),
                       QByteArray(reinterpret_cast<const char*>(image.data() + at), qsizetype(n)));
    }
    return text + EndRecord;
}

// Bytes that never repeat in a short stretch and avoid 0xFF, so no fill hides a mistake.
inline std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed = 1)
{
    std::vector<std::uint8_t> v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = std::uint8_t((i * 7 + seed + i / 251) % 255);
    return v;
}

inline void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}
