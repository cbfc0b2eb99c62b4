#pragma once

#include <QStringList>

// velmar-cli from its arguments to its exit code: the command line, the streams, the signals,
// the port, one command, and the one line that says what failed.
class Cli {
public:
    // `arguments` as QCoreApplication::arguments() gives them; returns the exit code.
    static int run(const QStringList& arguments);
};
