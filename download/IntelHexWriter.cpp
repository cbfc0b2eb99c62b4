#include "IntelHexWriter.h"

#include <algorithm>
#include <stdexcept>

QByteArray IntelHexWriter::record(std::uint8_t type, std::uint16_t address, std::span<const std::uint8_t> data)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(data.size()) + 5);
    bytes.append(char(data.size())).append(char(address >> 8)).append(char(address & 0xFF)).append(char(type));
    bytes.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    std::uint8_t sum = 0;
    for (const char c : bytes)
        sum = std::uint8_t(sum + std::uint8_t(c));
    bytes.append(char(std::uint8_t(0x100 - sum)));
    return ':' + bytes.toHex().toUpper() + '\n';
}

QByteArray IntelHexWriter::text(std::span<const std::uint8_t> image, bool keepErased)
{
    if (image.size() > Largest)
        throw std::length_error("an Intel HEX image with segment records ends at 1 MiB");
    QByteArray out;
    out.reserve(qsizetype(image.size() / RecordBytes) * 44 + 32);
    std::size_t segment = 0; // the 64 KiB the reader's segment base points at
    for (std::size_t at = 0; at < image.size(); at += RecordBytes) {
        const auto data = image.subspan(at, std::min(RecordBytes, image.size() - at));
        if (!keepErased && std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0xFF; }))
            continue;
        if ((at >> 16) != segment) {
            segment = at >> 16;
            // The reader takes the value times 16 as the base of the addresses that follow.
            const std::uint16_t value = std::uint16_t(segment << 12);
            const std::uint8_t base[] = {std::uint8_t(value >> 8), std::uint8_t(value & 0xFF)};
            out += record(0x02, 0, base);
        }
        out += record(0x00, std::uint16_t(at & 0xFFFF), data);
    }
    return out + record(0x01, 0, {});
}
