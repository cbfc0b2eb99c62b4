#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

// Writes a flash image from address 0 as Intel HEX that IntelHexReader reads back to the same
// bytes: data records of 16 bytes, an extended segment address record (type 02) before the
// first record of every further 64 KiB, and the end record; upper-case digits, LF line ends.
// Records that hold nothing but erased flash (0xFF) are left out unless `keepErased`; what the
// reader does not find stays 0xFF in its image, so the bytes come back the same either way.
class IntelHexWriter {
public:
    static constexpr std::size_t RecordBytes = 16;
    // Segment records reach 1 MiB; the tool's flash images are far smaller.
    static constexpr std::size_t Largest = 0x100000;

    // The file's text for `image` (at most Largest bytes).
    [[nodiscard]] static QByteArray text(std::span<const std::uint8_t> image, bool keepErased);
    // One record line with its checksum and line end.
    [[nodiscard]] static QByteArray record(std::uint8_t type, std::uint16_t address,
                                           std::span<const std::uint8_t> data);
};
