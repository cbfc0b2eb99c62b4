#include "SimBootloader.h"

#include "SimFaults.h"

SimBootloader::SimBootloader(std::vector<std::uint8_t>& flash, const SimFaults& faults, Send send)
    : m_flash(flash),
      m_faults(faults),
      m_send(std::move(send))
{}

void SimBootloader::restart()
{
    m_command.clear();
    m_need = 0;
    m_address = 0;
    m_blockWrites = 0;
    m_blockReads = 0;
}

bool SimBootloader::receive(std::uint8_t byte)
{
    if (m_command.isEmpty()) {
        switch (byte) {
        case 'X':
        case 'b':
            m_command.append(char(byte));
            execute();
            return false;
        case 'E': return true;
        case 'A': m_need = 4; break;
        case 'B':
        case 'g':
            m_need = 3; // size high, size low, 'F'; B then takes the block
            break;
        default: return false; // anything else (sync bytes, stray text) is ignored
        }
        m_command.append(char(byte));
        return false;
    }
    m_command.append(char(byte));
    if (--m_need > 0)
        return false;
    if (m_command[0] == 'B' && m_command.size() == 4) {
        const std::size_t size = (std::uint8_t(m_command[1]) << 8) | std::uint8_t(m_command[2]);
        if (size > 0) {
            m_need = size;
            return false;
        }
    }
    execute();
    return false;
}

void SimBootloader::execute()
{
    const QByteArray cmd = m_command;
    m_command.clear();
    m_need = 0;
    QByteArray reply;
    switch (cmd[0]) {
    case 'X':
        if (m_faults.shortAreaEnd) {
            reply.append(char(m_areaEnd >> 8)).append(char(m_areaEnd));
        } else {
            reply.append(char(m_areaEnd >> 24)).append(char(m_areaEnd >> 16));
            reply.append(char(m_areaEnd >> 8)).append(char(m_areaEnd));
        }
        reply.append(m_crLf ? "\r\n" : "\r");
        break;
    case 'b': {
        const std::uint16_t size = m_faults.blockSizeZero ? 0 : m_blockSize;
        reply.append(char(size >> 8)).append(char(size)).append(m_crLf ? "\r\n" : "\r");
        break;
    }
    case 'A':
        m_address = (std::uint32_t(std::uint8_t(cmd[1])) << 24) | (std::uint32_t(std::uint8_t(cmd[2])) << 16) |
                    (std::uint32_t(std::uint8_t(cmd[3])) << 8) | std::uint8_t(cmd[4]);
        reply.append('\r');
        break;
    case 'B': {
        const int size = int(cmd.size()) - 4;
        for (int i = 0; i < size; ++i) {
            const std::size_t a = m_address + std::size_t(i);
            if (a < m_flash.size())
                m_flash[a] = std::uint8_t(cmd[4 + i]);
        }
        m_address += std::uint32_t(size);
        if (m_blockWrites++ != m_faults.dropAckOfBlock)
            reply.append('\r');
        break;
    }
    case 'g': {
        const std::size_t size = (std::uint8_t(cmd[1]) << 8) | std::uint8_t(cmd[2]);
        const std::size_t sent = m_blockReads++ == m_faults.shortReadOfBlock ? size / 2 : size;
        for (std::size_t i = 0; i < sent; ++i) {
            const std::size_t a = m_address + i;
            std::uint8_t b = a < m_flash.size() ? m_flash[a] : 0xFF;
            if (std::int64_t(a) == m_faults.corruptReadbackAt)
                b ^= 0x5A;
            reply.append(char(b));
        }
        m_address += std::uint32_t(size);
        break;
    }
    default: break;
    }
    if (!reply.isEmpty())
        m_send(reply);
}
