#pragma once

#include <QString>
#include <cstdint>

class Bootloader;
class QSaveFile;

// Writes an Intel HEX firmware file into the board through its bootloader, reads it back and
// compares it, then starts the new firmware. The same bootloader dialogue, without a block
// write, compares a file with the board's firmware or reads the firmware into a file. The
// caller starts each on a free line (DownloadRunner).
class FirmwareDownload {
public:
    // The image a firmware file may fill (not 0x20000).
    static constexpr std::uint32_t FirmwareImageSize = 131071;
    // The largest firmware area a read takes: the whole flash of the family's largest board.
    static constexpr std::uint32_t LargestArea = 0x20000;

    explicit FirmwareDownload(Bootloader& boot) : m_boot(boot) {}

    // The whole download for a chosen file; an empty name means the dialog was cancelled and
    // only the closing step runs. Returns true when the new firmware runs. The receive mode is
    // back at the terminal afterwards on every path, an escaping port error included.
    bool Run(const QString& fileName);
    // The download's steps without a block write: the file's image is compared with the flash,
    // every byte of it, and the board leaves its bootloader once the comparison is made (its
    // firmware is as it was). True when every byte matched.
    bool Verify(const QString& fileName);
    // The firmware area, from 0 up to the bootloader's answer to "X", read block by block into
    // `fileName` as Intel HEX, then the board leaves its bootloader. The file is written whole
    // once the read is complete; a read that breaks off leaves no file and an existing one as
    // it was. Lines of erased flash are written only with `keepErased`.
    bool ReadInto(const QString& fileName, bool keepErased);

    // The memory-table line for a firmware area end, with its range text; false for an area
    // end the table does not know.
    static bool MemoryLine(std::uint32_t areaEnd, QString& line, QString& range);

private:
    enum class Job { Download, Verify, Read };
    bool run(Job job, const QString& fileName, bool keepErased = false);
    // The one sequence of the three jobs: the file, the sign-on, "X" with the memory table, the
    // passes the job makes, and leaving the bootloader.
    bool steps(Job job, const QString& fileName, bool keepErased);
    // The "load file " step: the file into the flash image.
    bool loadFile(const QString& fileName);
    // The "last memory, " step: the area end, and the image against the area where the table
    // knows it (a read only needs an area it can hold).
    bool areaEnd(Job job);
    // The file a read goes to, opened before the board is asked, so that a name that cannot be
    // written is known at once.
    bool openTarget(QSaveFile& target);
    bool save(QSaveFile& target, bool keepErased);

    Bootloader& m_boot;
};
