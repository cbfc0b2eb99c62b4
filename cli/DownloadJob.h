#pragma once

#include "DownloadRunner.h"
#include "Outcome.h"
#include "TransferObserver.h"
#include "TransferProgressTracker.h"

#include <QJsonObject>
#include <QString>

class Console;
class Session;

// A download as velmar-cli runs it, on the windows' download runner: the progress bar on
// stderr instead of the window's, a signal that stops the download after its current step, and
// a board that was stopped in its bootloader told to leave it (by the hard stop too).
class DownloadJob : public TransferObserver {
public:
    DownloadJob(Session& session, QString job);
    ~DownloadJob() override;

    [[nodiscard]] DownloadRunner& runner() { return m_runner; }
    // How a download that returned `ok` ended.
    [[nodiscard]] Outcome finish(bool ok);
    // A download was stopped by a signal.
    [[nodiscard]] bool cancelled();
    // What --json prints of a job on `file` that took `elapsedMs`: port, file, bytes, seconds.
    [[nodiscard]] QJsonObject summary(const QString& file, qint64 elapsedMs);

    void passStarted(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                     std::uint16_t blockSize) override;
    void blockDone() override;
    void inBootloader(bool on) override;

private:
    Session& m_session;
    QString m_job;
    DownloadRunner m_runner;
    TransferProgressTracker m_tracker;
};
