#include "DownloadRunner.h"

#include "Bootloader.h"
#include "ByteCodeDownload.h"
#include "FileSync.h"
#include "FirmwareDownload.h"
#include "Link.h"
#include "LogSink.h"

namespace {

const QString FirmwareJob = QStringLiteral("Download Firmware");
const QString ByteCodeJob = QStringLiteral("Download AWL");

} // namespace

// Tells the front end that a download runs, for as long as it runs (also when an error ends it).
class DownloadRunner::Scope {
public:
    explicit Scope(const Frontend& frontend) : m_frontend(frontend)
    {
        if (m_frontend.begins)
            m_frontend.begins();
    }
    ~Scope()
    {
        if (m_frontend.ends)
            m_frontend.ends();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    const Frontend& m_frontend;
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
}

DownloadRunner::~DownloadRunner() = default;

bool DownloadRunner::chooseAndLoadFirmware(QString& fileName, const ChooseFile& choose)
{
    if (m_link.refuseIfBusy(FirmwareJob))
        return false;
    Scope running(m_frontend);
    QString chosen;
    {
        // The line is held while the user chooses, so that the file watch cannot start then.
        Link::Hold choosing(m_link);
        chosen =
            choose(fileName, QStringLiteral("Hex File (*.hex)|*.hex|all files (*.*)|*.*"), QStringLiteral("*.hex"));
    }
    if (!chosen.isEmpty())
        fileName = chosen;
    return FirmwareDownload(*m_boot).Run(chosen);
}

bool DownloadRunner::loadFirmware(const QString& fileName)
{
    if (m_link.refuseIfBusy(FirmwareJob))
        return false;
    Scope running(m_frontend);
    return FirmwareDownload(*m_boot).Run(fileName);
}

bool DownloadRunner::chooseAndLoadByteCode(QString& fileName, QString& syncFileName, QDateTime& syncFileTime,
                                           const ChooseFile& choose)
{
    if (m_link.refuseIfBusy(ByteCodeJob))
        return false;
    Scope running(m_frontend);
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
    Scope running(m_frontend);
    return ByteCodeDownload(*m_boot).LoadByteCode(fileName);
}

bool DownloadRunner::syncTick(const QString& syncFileName, QDateTime& syncFileTime, const QString& fileName)
{
    // Never inside another exchange: a change seen while the line is busy waits for a later tick.
    if (FileSync::Check(syncFileName, syncFileTime, m_link.busy()) != FileSync::Tick::Download)
        return false;
    Scope running(m_frontend);
    return loadByteCodeWithLines(fileName);
}

bool DownloadRunner::loadByteCodeWithLines(const QString& fileName)
{
    m_log.setColor(LogColors::Green);
    m_log.addLine(QStringLiteral("load file"));
    m_log.setColor(LogColors::Green);
    m_log.addLine(QStringLiteral(" ") + fileName);
    return ByteCodeDownload(*m_boot).LoadByteCode(fileName);
}
