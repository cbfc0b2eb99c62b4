#include "DownloadRunner.h"

#include "Bootloader.h"
#include "ByteCodeDownload.h"
#include "FileSync.h"
#include "FirmwareDownload.h"
#include "Link.h"
#include "LogSink.h"

#include <QElapsedTimer>

namespace {

const QString FirmwareJob = QStringLiteral("Download Firmware");
const QString ByteCodeJob = QStringLiteral("Download AWL");

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

bool DownloadRunner::chooseAndLoadFirmware(QString& fileName, const ChooseFile& choose)
{
    if (m_link.refuseIfBusy(FirmwareJob))
        return false;
    Scope running(*this);
    QString chosen;
    {
        // The line is held while the user chooses, so that the file watch cannot start then.
        Link::Hold choosing(m_link);
        chosen =
            choose(fileName, QStringLiteral("Hex File (*.hex)|*.hex|all files (*.*)|*.*"), QStringLiteral("*.hex"));
    }
    if (chosen.isEmpty())
        return FirmwareDownload(*m_boot).Run(chosen);
    fileName = chosen;
    return transfer([&] { return FirmwareDownload(*m_boot).Run(chosen); });
}

bool DownloadRunner::loadFirmware(const QString& fileName)
{
    if (m_link.refuseIfBusy(FirmwareJob))
        return false;
    Scope running(*this);
    return transfer([&] { return FirmwareDownload(*m_boot).Run(fileName); });
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
    if (m_link.refuseIfBusy(ByteCodeJob))
        return false;
    Scope running(*this);
    return transfer([&] { return ByteCodeDownload(*m_boot).LoadByteCode(fileName); });
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
    return transfer([&] { return ByteCodeDownload(*m_boot).LoadByteCode(fileName); });
}

bool DownloadRunner::transfer(const std::function<bool()>& job)
{
    if (m_frontend.runs)
        m_frontend.runs();
    QElapsedTimer clock;
    clock.start();
    const bool ok = job();
    if (m_frontend.result)
        m_frontend.result(resultText(ok, *m_boot, clock.elapsed()));
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

QString DownloadRunner::resultText(bool ok, const Bootloader& boot, qint64 elapsedMs)
{
    if (ok)
        return QStringLiteral("flash and verify passed, %1 bytes in %2 s")
            .arg(grouped(boot.ImageLength))
            .arg((elapsedMs + 500) / 1000);
    if (const auto& at = boot.verifyMismatch())
        return QStringLiteral("verify failed at $") +
               QString::number(*at, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    const auto& failure = boot.failure();
    if (!failure)
        return QStringLiteral("download failed");
    if (failure->kind == StepFailure::Kind::Cancelled)
        return failure->detail;
    const QString step = failure->step.isEmpty() ? QStringLiteral("download") : failure->step;
    return failure->detail.isEmpty() ? step + QStringLiteral(" failed")
                                     : step + QStringLiteral(" failed: ") + failure->detail;
}
