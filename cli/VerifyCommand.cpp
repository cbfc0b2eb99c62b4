#include "VerifyCommand.h"

#include "Bootloader.h"
#include "Console.h"
#include "DownloadJob.h"
#include "Invocation.h"
#include "Session.h"

#include <QElapsedTimer>

QStringList VerifyCommand::files() const { return {inv().arg(0)}; }

Outcome VerifyCommand::run()
{
    const QString file = inv().arg(0);
    if (auto failed = openPortFor(file))
        return *failed;
    DownloadJob download(m_session, job());
    QElapsedTimer clock;
    clock.start();
    const bool ok = download.runner().verifyFirmware(file);
    const Outcome outcome = download.finish(ok);
    const Bootloader& boot = download.runner().bootloader();
    // A comparison that was made is a result, also when bytes differ.
    if (inv().json && (outcome.ok() || boot.differences() > 0)) {
        QJsonObject result = download.summary(file, clock.elapsed());
        result.insert(QStringLiteral("differences"), qint64(boot.differences()));
        const auto& first = boot.verifyMismatch();
        result.insert(QStringLiteral("firstDifference"), first ? QJsonValue(qint64(*first)) : QJsonValue());
        if (!outcome.ok())
            result.insert(QStringLiteral("error"), outcome.message);
        console().json(result);
    }
    return outcome;
}
