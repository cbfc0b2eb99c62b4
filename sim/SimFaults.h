#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

// What can go wrong on the simulated board, switched on by tests and by velmar-sim options.
struct SimFaults {
    // Telegrams
    bool silent = false;           // no answer at all
    bool refuseAll = false;        // every telegram answered with 0x21
    int refuseEvery = 0;           // every n-th telegram answered with 0x21 (0: none)
    bool wrongStart = false;       // start byte 0xAB instead of 0xAA
    bool wrongEnd = false;         // end byte 0xA4 instead of 0xA5
    bool badGroup = false;         // a group that is not hexadecimal ("zz") in place of the code
    bool wrongCode = false;        // a well-formed answer whose code has its top bit flipped (0x34: 0xB4)
    QByteArray noise;              // characters sent before the ":" of every answer
    int answerDelayMs = 0;         // time between the request and the answer
    QList<std::uint8_t> onlyCodes; // when not empty, the faults above hit only these commands
    // In this many of every 100 telegrams (at random, from `randomSeed`) one fault of three:
    // no answer, a refusal, or an answer whose code group is not hex.
    int randomPercent = 0;
    std::uint32_t randomSeed = 1;

    // Bootloader
    bool noSignOn = false;               // ignores ESC 0xAA
    int dropAckOfBlock = -1;             // the n-th block write (0-based) gets no acknowledgement
    std::int64_t corruptReadbackAt = -1; // flash address whose byte is flipped on read-back
    int shortReadOfBlock = -1;           // the n-th block read (0-based) sends half its bytes only
    bool shortAreaEnd = false;           // "X" answered with two bytes only
    bool blockSizeZero = false;          // "b" answered with 0
};
