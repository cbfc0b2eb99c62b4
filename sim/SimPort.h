#pragma once

#include "SimBoard.h"

// The port name "SIM" of the programs: a simulated board inside the program, on a line paced
// at the real 57600 baud so that downloads and polling take the time they take on a bench. The
// board keeps its memory for as long as this lives, across closing and opening the port. One
// instance at a time.
class SimPort {
public:
    SimPort();
    ~SimPort();
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    [[nodiscard]] SimBoard& board() { return m_board; }

private:
    SimBoard m_board;
};
