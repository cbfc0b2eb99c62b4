#include "AwlCommand.h"

#include "Console.h"
#include "DownloadJob.h"
#include "Invocation.h"
#include "Session.h"

#include <QEventLoop>
#include <QTimer>

Outcome AwlCommand::run()
{
    QString file = inv().arg(0);
    if (auto failed = openPortFor(file))
        return *failed;
    DownloadJob download(m_session, job());
    if (inv().has(QStringLiteral("verify")))
        return download.finish(download.runner().verifyByteCode(file));
    // As the button does it, the file "chosen" being the one given; it is watched from now on.
    const auto given = [&file](const QString&, const QString&, const QString&) { return file; };
    const bool ok = download.runner().chooseAndLoadByteCode(file, m_syncFileName, m_syncFileTime, given);
    const Outcome first = download.finish(ok);
    if (!inv().has("watch") || first.code == ExitCode::PortError || download.cancelled() || m_session.forced())
        return first;
    if (!first.ok())
        console().error(first.message);
    return watch(download, file);
}

Outcome AwlCommand::watch(DownloadJob& download, const QString& file)
{
    QEventLoop loop;
    std::optional<Outcome> ended;
    bool running = false;
    DownloadRunner::Frontend frontend;
    frontend.begins = [&running] { running = true; };
    download.runner().setFrontend(frontend);
    QTimer tick;
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (m_session.stopRequested())
            return;
        running = false;
        try {
            const bool ok = download.runner().syncTick(m_syncFileName, m_syncFileTime, file);
            if (!running)
                return;
            const Outcome outcome = download.finish(ok);
            if (outcome.code == ExitCode::PortError || download.cancelled() || m_session.forced()) {
                ended = outcome;
                loop.quit();
            } else if (!outcome.ok()) {
                console().error(outcome.message);
            }
        } catch (const std::exception& e) {
            const Outcome outcome = m_session.outcomeOf(e, job());
            if (outcome.code == ExitCode::PortError || outcome.code == ExitCode::Interrupted) {
                ended = outcome;
                loop.quit();
            } else {
                console().error(outcome.message);
            }
        }
    });
    // A signal ends the watch; one that comes during a download stops it first.
    tick.start();
    runUntilStopped(loop);
    tick.stop();
    if (ended)
        return *ended;
    if (m_session.lost())
        return m_session.lostOutcome(job());
    if (auto interrupted = stopped())
        return *interrupted;
    return Outcome::success();
}

QStringList AwlCommand::files() const { return {inv().arg(0)}; }

QString AwlCommand::takeOptions(Invocation& inv)
{
    if (inv.has(QStringLiteral("verify")) && inv.has(QStringLiteral("watch")))
        return QStringLiteral("awl: --verify writes nothing, --watch downloads: give one of them");
    return {};
}
