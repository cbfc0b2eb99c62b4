#pragma once

#include <cstdint>

// The run state of the script monitor, shared by the command interpreter (GOTO and CLW change
// it) and the auto-send tick.
struct ScriptState {
    bool AutoSend = false;      // the timer runs rows
    std::uint16_t RowIndex = 0; // the row the next due tick runs
    int DelayTicks = 0;         // 100 ms ticks still to wait before the next row
    bool Busy = false;          // a row is running
    bool FaultFlag = false;     // a command failed since the last CLW or start
};
