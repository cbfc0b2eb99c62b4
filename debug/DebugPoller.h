#pragma once

#include "DebugSample.h"

#include <QElapsedTimer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class Link;

// Colour of a lamp in the debug window.
enum class LampColor { Lime, Red };

// The 16 digital-I/O lamps: a set bit is red, a clear bit lime.
struct DigitalLamps {
    std::array<LampColor, 4> buttons{}; // "Taster" 1..4
    std::array<LampColor, 6> inputs{};  // "Eingang" 1..6
    std::array<LampColor, 6> outputs{}; // "Ausgang" 1..6
    friend bool operator==(const DigitalLamps&, const DigitalLamps&) = default;
};

// The reads behind the debug window: digital I/O, 1-bit and 16-bit signals, and the two
// columns of signal numbers the user typed. It only reads from the board and opens no dialog:
// a text that is no number goes to a callback and ends its column for the cycle.
//
// While inactive nothing is sent; switching off in the middle of a cycle ends the cycle
// before its next telegram, so a closed window never polls behind someone else.
class DebugPoller {
public:
    static constexpr int Rows = 5;
    using Texts = std::array<QString, Rows>;
    // `row` counts from 0; `text` is what the edit holds.
    using InvalidEntry = std::function<void(int row, const QString& text)>;
    using BitResult = std::function<void(int row, LampColor lamp)>;
    using WordResult = std::function<void(int row, std::uint16_t value)>;

    // What an edit asks for: nothing, something that is no number, or a signal number.
    struct Entry {
        enum Kind { Empty, Invalid, Signal } kind = Empty;
        std::uint8_t signal = 0;
    };

    // What to do with each result of a cycle as it comes in (a window shows it at once).
    struct CycleHandlers {
        std::function<void(const DigitalLamps&)> io;
        BitResult bit;
        WordResult word;
        InvalidEntry invalid;
    };
    // The shortest time an answer is given in a paced poll, even when the cycle is late.
    static constexpr int MinAnswerMs = 20;

    explicit DebugPoller(Link& link) : m_link(link) {}

    void setActive(bool on) { m_active = on; }

    // One digital-I/O telegram; the lamps, or nothing when the board gave no data.
    std::optional<DigitalLamps> PollDigitalIO();
    [[nodiscard]] static DigitalLamps lampsOf(std::uint8_t inputs, std::uint8_t buttons, std::uint8_t outputs);

    // 0 or 1; 0 as well when the board gave no data.
    std::uint8_t ReadBitSignal(std::uint8_t n);
    // 0 when the board gave no data.
    std::uint16_t ReadWordSignal(std::uint8_t n);

    // Any 32-bit integer text (decimal, or hex behind "$"), taken modulo 256.
    [[nodiscard]] static Entry parseEntry(const QString& text);
    // A 1-bit signal of 1 is lit lime, 0 red (the other way round from the I/O rows).
    [[nodiscard]] static LampColor bitLamp(std::uint8_t value) { return value ? LampColor::Lime : LampColor::Red; }

    // Reads the signal of every non-empty row in order and reports it; stops at the first
    // invalid text after reporting it.
    void PollBitSignals(const Texts& texts, const BitResult& result, const InvalidEntry& invalid);
    void PollWordSignals(const Texts& texts, const WordResult& result, const InvalidEntry& invalid);

    // One whole cycle, the digital I/O, then the 1-bit and the 16-bit signals, as a sample
    // stamped with the time it began. On a busy line nothing is sent.
    DebugSample PollCycle(const Texts& bits, const Texts& words, const CycleHandlers& on = {});
    // A poll that keeps its pace (0: off, as the window polls). Each answer of a cycle may take
    // until `cycleMs` after the cycle began (at least MinAnswerMs, at most the telegram's own
    // time-out), and a telegram that gets no answer, or one that does not decode, ends its
    // cycle instead of throwing.
    void setPace(int cycleMs) { m_paceMs = cycleMs; }

private:
    template <typename Read>
    void pollColumn(const Texts& texts, const InvalidEntry& invalid, Read&& read);
    // Sends `telegram`: true when the answer carries `code` and at least `bytes` data bytes.
    bool ask(const QString& telegram, std::uint8_t code, std::size_t bytes);
    void note(DebugSample::Status status);
    std::optional<std::array<std::uint8_t, 3>> readIO();
    std::optional<std::uint8_t> readBit(std::uint8_t n);
    std::optional<std::uint16_t> readWord(std::uint8_t n);

    Link& m_link;
    bool m_active = false;
    int m_paceMs = 0;
    QElapsedTimer m_cycleClock;
    DebugSample::Status m_status = DebugSample::Status::Ok;
    bool m_cycleEnded = false;
};
