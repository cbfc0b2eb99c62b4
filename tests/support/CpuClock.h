#pragma once

#include <sys/resource.h>

// CPU seconds this process has used so far (to show that a wait sleeps instead of spinning).
inline double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
