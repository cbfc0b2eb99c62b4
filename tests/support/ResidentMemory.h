#pragma once

#include "Sanitizer.h"

#include <cstdio>
#include <unistd.h>

// Resident memory of this process in bytes (to show that a long run does not grow). It tells
// nothing under a sanitizer, which holds freed memory back.
inline constexpr bool ResidentMemoryTells = !UnderSanitizer;

inline long long ResidentBytes()
{
    long long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lld %lld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}
