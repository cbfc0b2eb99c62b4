#include "DownloadJob.h"

#include "Bootloader.h"
#include "BootloaderCommands.h"
#include "Console.h"
#include "ExitDeadline.h"
#include "Link.h"
#include "Session.h"

DownloadJob::DownloadJob(Session& session, QString job)
    : m_session(session),
      m_job(std::move(job)),
      m_runner(session.link(), session.log()),
      m_tracker([this](const TransferProgress& p) { m_session.console().progress(p); })
{
    Bootloader& boot = m_runner.bootloader();
    boot.setObserver(this);
    boot.cancelled = [this] { return m_session.stopRequested(); };
    // Here a stopped board is told to leave its bootloader (finish()).
    boot.cancelNote.clear();
    // A signal stops the pass after its block and lets the board leave its bootloader.
    m_session.setGraceful(true);
}

DownloadJob::~DownloadJob()
{
    ExitDeadline::setLeaveCommand(-1);
    m_session.setGraceful(false);
    m_runner.bootloader().setObserver(nullptr);
}

void DownloadJob::passStarted(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                              std::uint16_t blockSize)
{
    m_session.console().beginPass();
    m_tracker.passStarted(pass, start, imageLength, blockSize);
}

void DownloadJob::blockDone() { m_tracker.blockDone(); }

void DownloadJob::inBootloader(bool on) { ExitDeadline::setLeaveCommand(on ? BootloaderCommands::leave()[0] : -1); }

bool DownloadJob::cancelled()
{
    const auto& failure = m_runner.bootloader().failure();
    return failure && failure->kind == StepFailure::Kind::Cancelled;
}

Outcome DownloadJob::finish(bool ok)
{
    m_session.console().endProgress();
    if (ok)
        return Outcome::success();
    Bootloader& boot = m_runner.bootloader();
    if (m_session.forced() || m_session.lost()) {
        Outcome outcome = m_session.lostOutcome(m_job);
        // Stopped, and "E" could not go out: the board is where the download left it.
        if (m_session.forced() && !m_session.lost() && boot.inBootloader())
            outcome.message += QStringLiteral("; the board waits in its bootloader: download again, or switch it off "
                                              "and on");
        return outcome;
    }
    const std::optional<StepFailure> failure = boot.failure();
    if (cancelled() && boot.inBootloader() && m_session.port().Connected()) {
        // Stopped on request: the board goes back to its firmware, as at the end of a download.
        LogSink& log = m_session.log();
        log.setColor(LogColors::Green);
        boot.Leave();
        log.setColor(LogColors::White);
        log.addLine(QString());
    }
    if (failure)
        return Outcome::fromFailure(m_job, *failure);
    return Outcome::fail(ExitCode::BoardFailure, m_job + QStringLiteral(": the download failed"));
}

QJsonObject DownloadJob::summary(const QString& file, qint64 elapsedMs)
{
    return QJsonObject{{QStringLiteral("port"), m_session.portName()},
                       {QStringLiteral("file"), file},
                       {QStringLiteral("bytes"), qint64(m_runner.bootloader().ImageLength)},
                       {QStringLiteral("seconds"), double(elapsedMs) / 1000.0}};
}
