#pragma once

#include <QString>

#include <sys/types.h>

// What a file of this mode is, for a message: "a regular file", "a directory", "a FIFO", ...
QString fileKindText(mode_t mode);
