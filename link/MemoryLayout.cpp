#include "MemoryLayout.h"

#include <array>

std::optional<MemoryLayout> MemoryLayout::of(std::uint32_t areaEnd)
{
    static const std::array<MemoryLayout, 5> layouts{{
        {0x1800, 0x2000, QStringLiteral("flash memory: (ATmega88), "), QStringLiteral("$0000 to "), {}, 0},
        {0x3800, 0x4000, QStringLiteral("flash memory: (ATmega168), "), QStringLiteral("$0000 to "), {}, 0},
        {0xF000, 0x10000, QStringLiteral("flash memory 64k, awl 2k, "), QStringLiteral("$0000 to "),
         QStringLiteral("flash memory 64k, "), 2046},
        {0x1F000, 0x20000, QStringLiteral("flash memory 128k, awl 2k, "), QStringLiteral("$00000 to "),
         QStringLiteral("flash memory 128k, awl 2k, "), 2046},
        {0x1D000, 0x20000, QStringLiteral("flash memory 128k, awl 10k, "), QStringLiteral("$00000 to "),
         QStringLiteral("flash memory 128k, awl 10k, "), 10238},
    }};
    for (const MemoryLayout& layout : layouts) {
        if (layout.areaEnd == areaEnd)
            return layout;
    }
    return std::nullopt;
}
