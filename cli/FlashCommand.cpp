#include "FlashCommand.h"

#include "Console.h"
#include "DownloadJob.h"
#include "Invocation.h"
#include "Session.h"

#include <QElapsedTimer>

Outcome FlashCommand::run()
{
    const QString file = inv().arg(0);
    if (auto failed = openPortFor(file))
        return *failed;
    DownloadJob download(m_session, job());
    QElapsedTimer clock;
    clock.start();
    const bool ok = download.runner().loadFirmware(file);
    const Outcome outcome = download.finish(ok);
    // One line a board when a bench flashes many at once.
    if (outcome.ok() && inv().json)
        m_session.console().json(download.summary(file, clock.elapsed()));
    return outcome;
}

QStringList FlashCommand::files() const { return {inv().arg(0)}; }
