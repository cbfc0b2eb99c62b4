#pragma once

// Any bit rate on a Linux tty (termios2 with BOTHER), for the rates termios has no constant for.
// Both return 0 or a system error number.
int SetLinuxBaudRate(int fd, int bitsPerSecond);
int GetLinuxBaudRate(int fd, int& bitsPerSecond);
