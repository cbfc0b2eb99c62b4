#include "DownloadRunner.h"

#include "Bootloader.h"
#include "ByteCodeDownload.h"
#include "FileSync.h"
#include "FirmwareDownload.h"
#include "Link.h"
#include "LogSink.h"

#include <QElapsedTimer>
#include <QScopeGuard>

namespace {

const QString FirmwareJob = QStringLiteral("Download Firmware");
const QString VerifyJob = QStringLiteral("verify against file");
const QString ReadJob = QStringLiteral("read firmware into file");
const QString ByteCodeJob = QStringLiteral("Download AWL");
const QString ByteCodeVerifyJob = QStringLiteral("verify AWL");
const QString FirmwareFilter = QStringLiteral("Hex File (*.hex)|*.hex|all files (*.*)|*.*");
// The board's flash is as it was: any job, or switching it off and on, starts its firmware again.
const QString UntouchedNote = QStringLiteral(
    "; the board waits in its bootloader, its flash as it was: run a job again, or switch it off and on");

} // namespace

// Tells the front end that a download runs, for as long as it runs (also when an error ends it).
class DownloadRunner::Scope {
public:
    explicit Scope(DownloadRunner& runner) : m_runner(runner)
    {
        m_runner.m_running = true;
        m_runner.m_cancelRequested = false;
        if (m_runner.m_frontend.begins)
            m_runner.m_frontend.begins();
    }
    ~Scope()
    {
        m_runner.m_running = false;
        m_runner.m_cancelRequested = false;
        if (m_runner.m_frontend.ends)
            m_runner.m_frontend.ends();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    DownloadRunner& m_runner;
};

DownloadRunner::DownloadRunner(Link& link, LogSink& log)
    : m_link(link),
      m_log(log),
      m_boot(std::make_unique<Bootloader>(link, log)),
      m_progress([this](const TransferProgress& p) {
          if (m_frontend.progress)
              m_frontend.progress(p);
      })
{
    m_boot->setObserver(&m_progress);
    m_boot->cancelled = [this] { return m_cancelRequested; };
    // A stopped download leaves the board waiting in its bootloader, where the next download
    // finds it.
    m_boot->cancelNote = QStringLiteral("; the board waits in its bootloader: download again");
}

DownloadRunner::~DownloadRunner() = default;

bool DownloadRunner::chooseAndRun(const QString& what, QString& fileName, const ChooseFile& choose, Job job,
                                  const Run& run)
{
    if (m_link.refuseIfBusy(what))
        return false;
    Scope running(*this);
    QString chosen;
    {
        // The line is held while the user chooses, so that the file watch cannot start then.
        Link::Hold choosing(m_link);
        chosen = choose(fileName, FirmwareFilter, QStringLiteral("*.hex"));
    }
    if (chosen.isEmpty())
        return run(chosen);
    fileName = chosen;
    return transfer(job, [&] { return run(chosen); });
}

bool DownloadRunner::runOnFile(const QString& what, const QString& fileName, Job job, const Run& run)
{
    if (m_link.refuseIfBusy(what))
        return false;
    Scope running(*this);
    return transfer(job, [&] { return run(fileName); });
}

bool DownloadRunner::chooseAndLoadFirmware(QString& fileName, const ChooseFile& choose)
{
    return chooseAndRun(FirmwareJob, fileName, choose, Job::Download,
                        [this](const QString& file) { return FirmwareDownload(*m_boot).Run(file); });
}

bool DownloadRunner::loadFirmware(const QString& fileName)
{
    return runOnFile(FirmwareJob, fileName, Job::Download,
                     [this](const QString& file) { return FirmwareDownload(*m_boot).Run(file); });
}

bool DownloadRunner::chooseAndVerifyFirmware(QString& fileName, const ChooseFile& choose)
{
    return chooseAndRun(VerifyJob, fileName, choose, Job::Verify,
                        [this](const QString& file) { return FirmwareDownload(*m_boot).Verify(file); });
}

bool DownloadRunner::verifyFirmware(const QString& fileName)
{
    return runOnFile(VerifyJob, fileName, Job::Verify,
                     [this](const QString& file) { return FirmwareDownload(*m_boot).Verify(file); });
}

bool DownloadRunner::chooseAndReadFirmware(QString& fileName, const ChooseFile& choose)
{
    return chooseAndRun(ReadJob, fileName, choose, Job::Read,
                        [this](const QString& file) { return FirmwareDownload(*m_boot).ReadInto(file, false); });
}

bool DownloadRunner::readFirmware(const QString& fileName, bool keepErased)
{
    return runOnFile(ReadJob, fileName, Job::Read, [this, keepErased](const QString& file) {
        return FirmwareDownload(*m_boot).ReadInto(file, keepErased);
    });
}

bool DownloadRunner::chooseAndLoadByteCode(QString& fileName, QString& syncFileName, QDateTime& syncFileTime,
                                           const ChooseFile& choose)
{
    if (m_link.refuseIfBusy(ByteCodeJob))
        return false;
    Scope running(*this);
    m_log.setColor(LogColors::Green);
    m_log.addLine(QString());
    QString chosen;
    {
        Link::Hold choosing(m_link);
        chosen = choose(fileName, QStringLiteral("AWL (*.vlb)|*.vlb|all files (*.*)|*.*"), QStringLiteral("*.vlb"));
    }
    if (!chosen.isEmpty())
        fileName = chosen;
    // Watched from now on, also when the dialog was cancelled.
    syncFileName = fileName;
    syncFileTime = FileSync::GetFileDateTime(fileName);
    if (chosen.isEmpty())
        return false;
    return loadByteCodeWithLines(fileName);
}

bool DownloadRunner::loadByteCode(const QString& fileName)
{
    return runOnFile(ByteCodeJob, fileName, Job::Download,
                     [this](const QString& file) { return ByteCodeDownload(*m_boot).LoadByteCode(file); });
}

bool DownloadRunner::verifyByteCode(const QString& fileName)
{
    return runOnFile(ByteCodeVerifyJob, fileName, Job::Verify,
                     [this](const QString& file) { return ByteCodeDownload(*m_boot).VerifyByteCode(file); });
}

bool DownloadRunner::syncTick(const QString& syncFileName, QDateTime& syncFileTime, const QString& fileName)
{
    // Never inside another exchange: a change seen while the line is busy waits for a later tick.
    if (FileSync::Check(syncFileName, syncFileTime, m_link.busy()) != FileSync::Tick::Download)
        return false;
    Scope running(*this);
    return loadByteCodeWithLines(fileName);
}

bool DownloadRunner::loadByteCodeWithLines(const QString& fileName)
{
    m_log.setColor(LogColors::Green);
    m_log.addLine(QStringLiteral("load file"));
    m_log.setColor(LogColors::Green);
    m_log.addLine(QStringLiteral(" ") + fileName);
    return transfer(Job::Download, [&] { return ByteCodeDownload(*m_boot).LoadByteCode(fileName); });
}

bool DownloadRunner::transfer(Job job, const std::function<bool()>& run)
{
    if (m_frontend.runs)
        m_frontend.runs();
    // A job that writes nothing leaves the flash as it was when it is stopped.
    const QString note = m_boot->cancelNote;
    if (job != Job::Download && !note.isEmpty())
        m_boot->cancelNote = UntouchedNote;
    const auto restore = qScopeGuard([&] { m_boot->cancelNote = note; });
    QElapsedTimer clock;
    clock.start();
    const bool ok = run();
    if (m_frontend.result)
        m_frontend.result(resultText(ok, *m_boot, clock.elapsed(), job));
    return ok;
}

void DownloadRunner::cancel()
{
    if (m_running)
        m_cancelRequested = true;
}

namespace {

// 66488 as "66 488".
QString grouped(std::uint32_t n)
{
    QString digits = QString::number(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(' '));
    return digits;
}

} // namespace

QString DownloadRunner::resultText(bool ok, const Bootloader& boot, qint64 elapsedMs, Job job)
{
    if (ok) {
        const QString done = job == Job::Download ? QStringLiteral("flash and verify passed")
                             : job == Job::Verify ? QStringLiteral("verify passed")
                                                  : QStringLiteral("firmware read");
        return done + QStringLiteral(", %1 bytes in %2 s").arg(grouped(boot.ImageLength)).arg((elapsedMs + 500) / 1000);
    }
    if (const auto& at = boot.verifyMismatch()) {
        QString text = QStringLiteral("verify failed at $") +
                       QString::number(*at, 16).toUpper().rightJustified(4, QLatin1Char('0'));
        if (boot.differences() > 0)
            text += QStringLiteral(", ") + Bootloader::differText(boot.differences());
        return text;
    }
    const auto& failure = boot.failure();
    if (!failure)
        return QStringLiteral("download failed");
    if (failure->kind == StepFailure::Kind::Cancelled)
        return failure->detail;
    const QString step = failure->step.isEmpty() ? QStringLiteral("download") : failure->step;
    return failure->detail.isEmpty() ? step + QStringLiteral(" failed")
                                     : step + QStringLiteral(" failed: ") + failure->detail;
}
