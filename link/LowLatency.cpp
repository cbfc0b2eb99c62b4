#include "LowLatency.h"

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

LowLatency::Driver systemDriver()
{
    return {[](int fd, serial_struct& info) { return ioctl(fd, TIOCGSERIAL, &info) == 0 ? 0 : errno; },
            [](int fd, const serial_struct& info) { return ioctl(fd, TIOCSSERIAL, &info) == 0 ? 0 : errno; }};
}

LowLatency::Driver& driver()
{
    static LowLatency::Driver d = systemDriver();
    return d;
}

} // namespace

void LowLatency::setDriver(Driver d) { driver() = d.get && d.set ? std::move(d) : systemDriver(); }

bool LowLatency::request(int fd)
{
    m_changed = false;
    serial_struct info{};
    // A device that is no serial port of a driver (ENOTTY, EINVAL) keeps what it has.
    if (driver().get(fd, info) != 0 || (info.flags & ASYNC_LOW_LATENCY))
        return false;
    info.flags |= ASYNC_LOW_LATENCY;
    m_changed = driver().set(fd, info) == 0;
    return m_changed;
}

void LowLatency::restore(int fd)
{
    if (!m_changed)
        return;
    m_changed = false;
    serial_struct info{};
    if (driver().get(fd, info) != 0)
        return; // the device is gone; there is nothing left to put back
    info.flags &= ~ASYNC_LOW_LATENCY;
    (void)driver().set(fd, info);
}
