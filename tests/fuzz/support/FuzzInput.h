#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// The bytes of one fuzz input, taken from the front: numbers for the parameters of a run, then
// pieces and the rest as data. Past the end every number is 0 and every piece empty.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    [[nodiscard]] std::size_t left() const { return m_size - m_at; }
    [[nodiscard]] bool empty() const { return m_at >= m_size; }

    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint16_t word()
    {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | (byte() << 8));
    }
    std::uint32_t longWord()
    {
        const std::uint32_t low = word();
        return low | (std::uint32_t(word()) << 16);
    }
    // At most `count` bytes.
    QByteArray bytes(std::size_t count)
    {
        if (count > left())
            count = left();
        const QByteArray piece(reinterpret_cast<const char*>(m_data + m_at), qsizetype(count));
        m_at += count;
        return piece;
    }
    // A piece whose length is given by the byte in front of it.
    QByteArray piece() { return bytes(byte()); }
    QByteArray rest() { return bytes(left()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
