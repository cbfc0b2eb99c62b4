#pragma once

#include <functional>

struct serial_struct;

// Asks a serial driver to hand on each received byte at once instead of holding it for its
// latency timer (16 ms on USB adapters), and puts the driver's old flag back afterwards.
// Drivers that do not know the request (a pseudo-terminal) are left as they are, silently.
class LowLatency {
public:
    // The two driver requests (TIOCGSERIAL, TIOCSSERIAL); each returns 0 or a system error
    // number. Tests put their own in.
    struct Driver {
        std::function<int(int fd, serial_struct& info)> get;
        std::function<int(int fd, const serial_struct& info)> set;
    };
    static void setDriver(Driver driver); // an empty one gives back the system's

    // Switches low latency on for the open device `fd`; true when it changed the driver.
    bool request(int fd);
    // Puts the flag back as it was before request(), if request() changed it.
    void restore(int fd);
    [[nodiscard]] bool changed() const { return m_changed; }

private:
    bool m_changed = false;
};
