#pragma once

#include <QtGlobal>
#include <array>
#include <cstdint>

// What one poll cycle of the debug window read, at the time it began. A signal that was not
// asked for is unused; one that was asked for but brought no data has no value.
struct DebugSample {
    static constexpr int Rows = 5;

    // How the cycle went: the first thing that went wrong in it.
    enum class Status : std::uint8_t {
        Ok,
        Busy,          // the line was busy: nothing was sent
        NoAnswer,      // a telegram got no answer in time
        Refused,       // the board answered with another code (0x21 or anything else)
        InvalidAnswer, // an answer line that does not decode
    };
    struct Bit {
        bool used = false;
        bool valid = false;
        std::uint8_t signal = 0;
        std::uint8_t value = 0;
    };
    struct Word {
        bool used = false;
        bool valid = false;
        std::uint8_t signal = 0;
        std::uint16_t value = 0;
    };

    qint64 ms = 0; // milliseconds since the epoch (UTC)
    Status status = Status::Ok;
    bool hasIO = false;
    std::uint8_t inputs = 0;
    std::uint8_t buttons = 0;
    std::uint8_t outputs = 0;
    std::array<Bit, Rows> bits{};
    std::array<Word, Rows> words{};
};
