#pragma once

#include "SimBootloader.h"
#include "SimFaults.h"
#include "SimPeripherals.h"
#include "SimSdCard.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

// A simulated Velmar board: its terminal, the telegram commands on EEPROM, RAM and flash, the
// serial bootloader, and digital I/O that moves by itself. Bytes from the PC go in through
// receive(); what the board sends comes out of transmit(). Timing and pacing of the line are
// the front end's business.
class QTimer;

class SimBoard : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t EepromSize = 4096;
    static constexpr std::size_t RamSize = 4096;
    // RAM layout of the variables the debug window reads.
    static constexpr std::size_t BitVariablesAt = 0x0200;  // 32 bytes: 1-bit signals 0..255
    static constexpr std::size_t WordVariablesAt = 0x0400; // 256 words, low byte first

    explicit SimBoard(QObject* parent = nullptr);

    // Board kind byte at EEPROM 0x0000: 0 base board, 1 CPU board, 2 LCD module, 16 I/O module.
    // Sets the EEPROM to the contents such a board ships with, and switches it on.
    void setKind(std::uint8_t kind);
    // The reset counters at EEPROM 0x0016, each 16 bits, low byte first.
    enum class ResetCause { PowerOn, External, BrownOut, Watchdog, Jtag };
    [[nodiscard]] std::uint16_t resetCount(ResetCause cause) const;
    [[nodiscard]] std::uint8_t kind() const { return m_eeprom[0]; }
    // The firmware area end that "X" reports; sizes the flash to match.
    void setFlashAreaEnd(std::uint32_t end);
    void setBlockSize(std::uint16_t size) { m_boot.setBlockSize(size); }
    // The bootloader ends its replies to "X" and "b" with CR LF.
    void setCrLfReplies(bool on) { m_boot.setCrLfReplies(on); }

    [[nodiscard]] SimFaults& faults() { return m_faults; }
    [[nodiscard]] std::vector<std::uint8_t>& eeprom() { return m_eeprom; }
    [[nodiscard]] std::vector<std::uint8_t>& ram() { return m_ram; }
    [[nodiscard]] std::vector<std::uint8_t>& flash() { return m_flash; }
    [[nodiscard]] SimBootloader& bootloader() { return m_boot; }
    [[nodiscard]] SimSdCard& sdCard() { return m_card; }
    [[nodiscard]] SimPeripherals& peripherals() { return m_peripherals; }
    [[nodiscard]] std::uint16_t addressPointer() const { return m_pointer; }
    [[nodiscard]] bool inBootloader() const { return m_state != State::Firmware; }
    // Telegrams the board took in, oldest first (for tests).
    [[nodiscard]] const QList<QByteArray>& telegramLog() const { return m_telegrams; }

    // Digital I/O: inputs (6 bits), push buttons (4 bits), outputs (6 bits).
    std::uint8_t inputs = 0, buttons = 0, outputs = 0;
    // When on, inputs, buttons, outputs and the variables change with the time since start.
    bool animate = true;

    void receive(const QByteArray& bytes);

    // Floods the line with short text lines for `ms` milliseconds, about as fast as a board
    // at 57600 baud can send them (also started by the terminal line "flood <seconds>").
    void flood(int ms);
    [[nodiscard]] bool flooding() const { return m_floodTimer != nullptr; }
    // Faults injected at random so far (see SimFaults::randomPercent).
    [[nodiscard]] std::uint64_t randomFaults() const { return m_randomFaults; }

Q_SIGNALS:
    void transmit(const QByteArray& bytes);

private:
    enum class State { Firmware, BootWait, Bootloader };

    void receiveFirmware(std::uint8_t byte);
    void handleLine(const QByteArray& line);
    void handleTerminalLine(const QByteArray& line);
    void handleTelegram(const QByteArray& line);
    QByteArray execute(std::uint8_t code, const QByteArray& data);
    // The telegrams that read and write EEPROM, RAM and flash at the pointer (0x33 to 0x37).
    QByteArray accessMemory(std::uint8_t code, const QByteArray& data);
    // `faulty`: the telegram faults apply to this answer.
    void sendAnswer(const QByteArray& payload, bool faulty);
    void send(const QByteArray& bytes);
    void startFirmware();
    void enterBootWait();
    void updateAnimation();
    void countReset(ResetCause cause);

    SimFaults m_faults;
    SimPeripherals m_peripherals;
    std::uint64_t m_faultyTelegrams = 0; // for SimFaults::refuseEvery
    std::uint64_t m_randomFaults = 0;
    std::uint32_t m_random = 0;
    bool m_randomSeeded = false;
    QTimer* m_floodTimer = nullptr;
    std::uint64_t m_floodLines = 0;
    std::vector<std::uint8_t> m_eeprom = std::vector<std::uint8_t>(EepromSize, 0xFF);
    std::vector<std::uint8_t> m_ram = std::vector<std::uint8_t>(RamSize, 0);
    std::vector<std::uint8_t> m_flash;
    SimBootloader m_boot;
    SimSdCard m_card;
    State m_state = State::Firmware;
    QByteArray m_line;
    std::uint8_t m_lastByte = 0;
    std::uint16_t m_pointer = 0;
    static constexpr qsizetype MaxTelegramLog = 100000;
    QList<QByteArray> m_telegrams;
    QElapsedTimer m_clock;
    int m_bootWaitId = 0;
};
