#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

// A property of a fuzz run that does not hold: said on stderr, then abort(), which the fuzzer
// records as a crash with the input that caused it.
[[noreturn]] inline void fuzzCheckFailed(const char* condition, const char* file, int line, const QString& detail)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", qPrintable(detail));
    std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? void() : fuzzCheckFailed(#condition, __FILE__, __LINE__, QString()))
#define FUZZ_CHECK_SAY(condition, detail)                                                                              \
    ((condition) ? void() : fuzzCheckFailed(#condition, __FILE__, __LINE__, (detail)))
