#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <vector>

struct SimFaults;

// The board's serial bootloader: one-letter commands on a flash memory.
//   X          -> firmware area end, 4 bytes, most significant first, CR (or CR LF)
//   b          -> block size, 2 bytes, CR (or CR LF)
//   A a3..a0   -> select byte address, CR
//   B hi lo F  + block -> write block at the address, address += block, CR
//   g hi lo F  -> the block at the address, address += block
//   E          -> leave, the firmware starts and sends a line
class SimBootloader {
public:
    using Send = std::function<void(const QByteArray&)>;

    SimBootloader(std::vector<std::uint8_t>& flash, const SimFaults& faults, Send send);

    void setAreaEnd(std::uint32_t end) { m_areaEnd = end; }
    [[nodiscard]] std::uint32_t areaEnd() const { return m_areaEnd; }
    void setBlockSize(std::uint16_t size) { m_blockSize = size; }
    [[nodiscard]] std::uint16_t blockSize() const { return m_blockSize; }
    // Ends the replies to "X" and "b" with CR LF, as some boards do, instead of CR alone.
    void setCrLfReplies(bool on) { m_crLf = on; }
    [[nodiscard]] std::uint32_t address() const { return m_address; }
    [[nodiscard]] int blocksWritten() const { return m_blockWrites; }
    // No command is half received.
    [[nodiscard]] bool idle() const { return m_command.isEmpty(); }

    // Starts over after a reset (forgets a half-received command).
    void restart();
    // Takes bytes in; returns true when "E" asked to leave the bootloader.
    bool receive(std::uint8_t byte);

private:
    void execute();

    std::vector<std::uint8_t>& m_flash;
    const SimFaults& m_faults;
    Send m_send;
    std::uint32_t m_areaEnd = 0x1F000;
    std::uint16_t m_blockSize = 256;
    bool m_crLf = false;
    std::uint32_t m_address = 0;
    int m_blockWrites = 0;
    int m_blockReads = 0;
    QByteArray m_command;   // the command being received
    std::size_t m_need = 0; // bytes the command still needs
};
