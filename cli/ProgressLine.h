#pragma once

#include "TransferProgress.h"

#include <QString>

// The one-line progress bar of a download on a terminal:
// "flash  [#########...........]  61440 of 253952 bytes  5.7 kB/s  34 s left"
class ProgressLine {
public:
    // The line for `columns` characters (the bar takes what the texts leave, at least 10).
    [[nodiscard]] static QString text(const TransferProgress& progress, int columns);
};
