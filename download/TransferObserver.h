#pragma once

#include "TransferProgress.h"

#include <cstdint>

// Hears of the passes of a download as the bootloader runs them: a pass starts, a block is done;
// and of the board going into its bootloader and out of it.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void passStarted(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                             std::uint16_t blockSize) = 0;
    virtual void blockDone() = 0;
    virtual void inBootloader(bool /*on*/) {}
};
