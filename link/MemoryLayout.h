#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The flash layouts the bootloader reports by its area end ('X'): the end of the firmware area,
// which is also where the byte-code area starts, with the texts the downloads log for it and
// the size of the flash behind it.
struct MemoryLayout {
    std::uint32_t areaEnd;
    std::uint32_t flashSize;
    QString firmwareLine; // the firmware download's memory line, e.g. "flash memory 64k, awl 2k, "
    QString firmwareRange; // the range text before the area end, e.g. "$0000 to "
    QString awlLine;       // the AWL download's memory line; empty where no byte code fits
    std::uint32_t awlLimit; // the largest byte-code image the area takes; 0 where none fits

    // The layout of a reported area end; nothing for an area end the table does not know.
    static std::optional<MemoryLayout> of(std::uint32_t areaEnd);
};
