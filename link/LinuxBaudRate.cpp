#include "LinuxBaudRate.h"

// This file must not see <termios.h>: the kernel's termios2 collides with it.
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

int SetLinuxBaudRate(int fd, int bitsPerSecond)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = static_cast<speed_t>(bitsPerSecond);
    tio.c_ospeed = static_cast<speed_t>(bitsPerSecond);
    if (ioctl(fd, TCSETS2, &tio) != 0)
        return errno;
    return 0;
}

int GetLinuxBaudRate(int fd, int& bitsPerSecond)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    bitsPerSecond = static_cast<int>(tio.c_ospeed);
    return 0;
}
