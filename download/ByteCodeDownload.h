#pragma once

#include <QString>
#include <cstdint>

class Bootloader;

// Writes an AWL byte-code file into the AWL area behind the firmware, reads it back and starts
// it, or only compares the area with the file. Checks over a telegram first that the board
// holds a valid firmware. The caller starts it on a free line (DownloadRunner).
class ByteCodeDownload {
public:
    static constexpr std::uint32_t ByteCodeImageSize = 16384;

    explicit ByteCodeDownload(Bootloader& boot) : m_boot(boot) {}

    // The download of `fileName`; true when the program was written, verified and started.
    // The receive mode is back at the terminal afterwards on every path.
    bool LoadByteCode(const QString& fileName);
    // The download's steps without a block write: the AWL area is compared with the file, every
    // byte of it; then the board leaves its bootloader as after any job there, which starts its
    // firmware as at power-up (there is no other way out of the bootloader). True when every
    // byte matched.
    bool VerifyByteCode(const QString& fileName);

    // The AWL-area line and the largest byte code for an area start; false for a start the
    // table does not know (then there is no size check).
    static bool AwlArea(std::uint32_t awlStart, QString& line, std::uint32_t& limit);

    // The area start that the last download was told by the bootloader.
    [[nodiscard]] std::uint32_t awlStart() const { return m_awlStart; }

private:
    bool run(const QString& fileName, bool verifyOnly);
    bool firmwareValid();
    bool steps(const QString& fileName, bool verifyOnly);
    // The "load AWL" step: the file into the flash image.
    bool readFile(const QString& fileName);
    // The "last memory" step: the area start from the bootloader, and the image against the
    // area's size where the table knows it.
    bool areaTakesImage();

    Bootloader& m_boot;
    std::uint32_t m_awlStart = 0;
};
