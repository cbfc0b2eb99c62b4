#include "SdCommand.h"

#include "BoardKind.h"
#include "Console.h"
#include "Invocation.h"
#include "SdCardCopy.h"
#include "Session.h"
#include "StepReporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

Outcome SdCommand::run()
{
    const bool put = inv().arg(0) == QLatin1String("put");
    QString pcPath, cardName;
    if (put) {
        pcPath = inv().arg(1);
        QFile file(pcPath);
        if (!file.open(QIODevice::ReadOnly))
            return usage(QStringLiteral("cannot read %1: %2").arg(pcPath, file.errorString()));
        cardName = QFileInfo(pcPath).fileName();
    } else {
        cardName = inv().arg(1);
        if (cardName.contains(QLatin1Char('/')))
            return usage(QStringLiteral("'%1' is no file name on the card (no folders)").arg(cardName));
        pcPath = files().constFirst();
    }
    if (!SdCardCopy::cardName(cardName))
        return usage(QStringLiteral("the card takes names of 1 to 254 Latin-1 characters, not '%1'").arg(cardName));

    Outcome outcome;
    if (!openBoard(outcome, BoardKind::CpuBoard))
        return outcome;
    StepReporter steps(link(), m_session.log());

    // From here on a signal lets the copy close the card's file first.
    m_session.setGraceful(true);
    console().log().setColor(LogColors::Green);
    SdCardCopy copy(steps);
    copy.cancelled = [this] { return m_session.stopRequested(); };
    const SdCardCopy::Result result = put ? copy.download(pcPath) : copy.upload(pcPath, cardName);
    m_session.setGraceful(false);
    if (result.ok())
        return outcome;
    if (const auto& failure = steps.failure())
        return Outcome::fromFailure(job(), *failure);
    if (result.incomplete)
        return Outcome::fail(ExitCode::NoAnswer, job() + QStringLiteral(": the copy is incomplete"));
    return Outcome::fail(ExitCode::BoardFailure, job() + QStringLiteral(": the card's file was not closed"));
}

QStringList SdCommand::files() const
{
    if (inv().arg(0) == QLatin1String("put"))
        return {inv().arg(1)};
    // get writes NAME in the current folder without a PCFILE.
    return {inv().args.size() > 2 ? inv().arg(2) : QDir::current().filePath(inv().arg(1))};
}
