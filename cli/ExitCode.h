#pragma once

#include <QList>
#include <QString>

// How velmar-cli ends, for a script to branch on. The table below is what --help prints; the
// CLI guide (docs/cli.md) and the man page list the same codes and texts.
enum class ExitCode : int {
    Success = 0,
    BoardFailure = 1, // the board answered with a failure
    UsageOrFile = 2,  // a usage error, or a file that cannot be read or written
    NoAnswer = 3,     // a time-out, no valid answer, no sign-on of the bootloader
    PortError = 4,    // the port cannot be opened or was lost
    Interrupted = 130,
};

struct ExitCodeText {
    ExitCode code;
    QString text;
};

// Every exit code with its meaning, in order.
const QList<ExitCodeText>& ExitCodeTexts();

// The table as --help shows it: "Exit codes:" and one line per code.
QString ExitCodeHelp();
