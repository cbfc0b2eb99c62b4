#pragma once

#include <QString>
#include <cstdint>

class Bootloader;

// Writes an Intel HEX firmware file into the board through its bootloader, reads it back and
// compares it, then starts the new firmware. The caller starts it on a free line (DownloadRunner).
class FirmwareDownload {
public:
    // The image a firmware file may fill (not 0x20000).
    static constexpr std::uint32_t FirmwareImageSize = 131071;

    explicit FirmwareDownload(Bootloader& boot) : m_boot(boot) {}

    // The whole download for a chosen file; an empty name means the dialog was cancelled and
    // only the closing step runs. Returns true when the new firmware runs. The receive mode is
    // back at the terminal afterwards on every path, an escaping port error included.
    bool Run(const QString& fileName);

    // The memory-table line for a firmware area end, with its range text; false for an area
    // end the table does not know.
    static bool MemoryLine(std::uint32_t areaEnd, QString& line, QString& range);

private:
    bool steps(const QString& fileName);

    Bootloader& m_boot;
};
