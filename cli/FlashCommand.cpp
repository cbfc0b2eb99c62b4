#include "FlashCommand.h"

#include "DownloadJob.h"
#include "Invocation.h"
#include "Session.h"

#include <QFile>

Outcome FlashCommand::run()
{
    const QString file = inv().arg(0);
    QFile check(file);
    if (!check.open(QIODevice::ReadOnly))
        return usage(QStringLiteral("cannot read %1: %2").arg(file, check.errorString()));
    check.close();
    if (auto failed = openPort())
        return *failed;
    DownloadJob download(m_session, job());
    const bool ok = download.runner().loadFirmware(file);
    return download.finish(ok);
}
