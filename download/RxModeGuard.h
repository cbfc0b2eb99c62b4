#pragma once

#include "ReceiveDispatcher.h"

// Puts the receive mode back to the terminal when a download ends, also when a port error
// escapes from the middle of it.
class RxModeGuard {
public:
    explicit RxModeGuard(ReceiveDispatcher& rx) : m_rx(rx) {}
    ~RxModeGuard() { m_rx.RxMode = RxTerminal; }
    RxModeGuard(const RxModeGuard&) = delete;
    RxModeGuard& operator=(const RxModeGuard&) = delete;

private:
    ReceiveDispatcher& m_rx;
};
