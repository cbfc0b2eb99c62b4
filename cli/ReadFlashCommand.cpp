#include "ReadFlashCommand.h"

#include "Console.h"
#include "DownloadJob.h"
#include "Invocation.h"
#include "Session.h"

#include <QElapsedTimer>

QStringList ReadFlashCommand::files() const { return {inv().arg(0)}; }

Outcome ReadFlashCommand::run()
{
    const QString file = inv().arg(0);
    if (auto failed = openPort())
        return *failed;
    DownloadJob download(m_session, job());
    QElapsedTimer clock;
    clock.start();
    const bool ok = download.runner().readFirmware(file, inv().has(QStringLiteral("all")));
    const Outcome outcome = download.finish(ok);
    if (outcome.ok() && inv().json)
        console().json(download.summary(file, clock.elapsed()));
    return outcome;
}
