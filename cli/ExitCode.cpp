#include "ExitCode.h"

const QList<ExitCodeText>& ExitCodeTexts()
{
    static const QList<ExitCodeText> texts{
        {ExitCode::Success, QStringLiteral("success")},
        {ExitCode::BoardFailure, QStringLiteral("the board answered with a failure (a step \"fail\", a verify "
                                                "difference, a refused command)")},
        {ExitCode::UsageOrFile, QStringLiteral("usage error, or a file that cannot be read or written")},
        {ExitCode::NoAnswer, QStringLiteral("no answer (time-out, no valid answer, no sign-on of the bootloader)")},
        {ExitCode::PortError, QStringLiteral("the port cannot be opened or was lost")},
        {ExitCode::Interrupted, QStringLiteral("interrupted by SIGINT or SIGTERM, within a second (the job "
                                               "ended cleanly where it could)")},
    };
    return texts;
}

QString ExitCodeHelp()
{
    QString help = QStringLiteral("Exit codes:\n");
    for (const ExitCodeText& e : ExitCodeTexts())
        help += QStringLiteral("  %1  %2\n").arg(int(e.code), 3).arg(e.text);
    return help;
}
