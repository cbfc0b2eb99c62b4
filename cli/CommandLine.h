#pragma once

#include "ExitCode.h"
#include "Invocation.h"

#include <QString>
#include <QStringList>
#include <optional>

// The command line of velmar-cli: a command word first, each command with its own arguments
// and options, the common options before or behind the command word. Help and version are
// answered here, usage errors are turned into their message.
class CommandLine {
public:
    struct Result {
        std::optional<Invocation> invocation; // set when a command is to run
        ExitCode code = ExitCode::Success;    // otherwise how the program ends,
        QString out;                          // with this on stdout (help, version)
        QString err;                          // and this on stderr (a usage error)
    };

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    [[nodiscard]] static Result parse(const QStringList& arguments);

    [[nodiscard]] static QString programHelp();
    // Empty for a word that is no command.
    [[nodiscard]] static QString commandHelp(const QString& command);
    [[nodiscard]] static QStringList commands();
    // The commands whose result --json prints.
    [[nodiscard]] static bool takesJson(const Invocation& invocation);
};
