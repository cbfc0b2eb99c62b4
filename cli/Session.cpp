#include "Session.h"

#include "Console.h"
#include "EComPort.h"
#include "EConvertError.h"
#include "ExitDeadline.h"
#include "IniFile.h"
#include "PortNames.h"
#include "PosixSerialBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString WindowSection = QStringLiteral("Hauptfenster");

// The port's error with its reason on the same line and what to do below it, indented.
QString describedPortError(const EComPort& e)
{
    if (e.details().isEmpty())
        return e.message();
    QStringList lines = e.details().split(QLatin1Char('\n'));
    QString text = e.message() + QStringLiteral(": ") + lines.takeFirst();
    for (const QString& line : lines)
        text += QStringLiteral("\n  ") + line;
    return text;
}

} // namespace

Session::Session(const Invocation& invocation, Console& console, QObject* parent)
    : QObject(parent),
      m_invocation(invocation),
      m_console(console),
      m_portName(portName(invocation, &m_settingsError))
{
    const IniFile settings(settingsFile(invocation));
    // A file the user named must be there: without it the job would run on the simulated board.
    if (m_settingsError.isEmpty() && !invocation.settingsFile.isEmpty()) {
        m_settingsError = settings.error();
        if (m_settingsError.isEmpty() && ::access(QFile::encodeName(invocation.settingsFile).constData(), R_OK) != 0)
            m_settingsError = QStringLiteral("cannot read the settings file %1: %2")
                                  .arg(QDir::toNativeSeparators(invocation.settingsFile),
                                       QString::fromLocal8Bit(std::strerror(errno)));
    }
    // "SimAnimate=0" in the window's section keeps the simulated board still, as in the window.
    m_sim.board().animate = settings.ReadInteger(WindowSection, QStringLiteral("SimAnimate"), 1) != 0;
    m_link = std::make_unique<Link>(m_port, console.log());
    m_link->ConnectDispatcher();
    if (invocation.echo)
        m_link->SetTelegramEcho();
    connect(&m_port, &TCustomComPort::LineLost, this, [this](const QString& reason) {
        if (m_lostReason.isEmpty())
            m_lostReason = reason;
    });
    connect(&m_port, &TCustomComPort::AfterClose, this, [] { ExitDeadline::forgetLine(); });
    // What a network port's far end did not confirm is said where the log goes.
    connect(&m_port, &TCustomComPort::Notice, this, [this](const QString& line) {
        m_console.log().setColor(LogColors::Yellow);
        m_console.log().addLine(line);
    });
}

Session::~Session()
{
    try {
        m_port.Close();
    } catch (...) {
        // Nobody is left to hear of it; the device is released all the same.
    }
    m_port.SetRecorder(nullptr);
    m_link.reset();
}

QString Session::settingsFile(const Invocation& invocation)
{
    return invocation.settingsFile.isEmpty()
               ? IniFile::locate(QStringLiteral("Settings.ini"), QStringLiteral("velmar-ui"))
               : invocation.settingsFile;
}

QString Session::portName(const Invocation& invocation, QString* settingsError)
{
    if (!invocation.port.isEmpty())
        return invocation.port;
    const IniFile settings(settingsFile(invocation));
    if (settingsError)
        *settingsError = settings.error();
    const QString stored = settings.ReadString(WindowSection, QStringLiteral("ComPort"), QString()).trimmed();
    return stored.isEmpty() ? PortNames::simulatedBoard() : stored;
}

LogSink& Session::log() { return m_console.log(); }

std::optional<Outcome> Session::open(const QStringList& files)
{
    if (!m_settingsError.isEmpty())
        return Outcome::fail(ExitCode::UsageOrFile, m_settingsError);
    if (auto clash = recordingClash(files))
        return clash;
    try {
        m_port.SetPort(m_portName);
        TBaudRate rate = TBaudRate::brCustom;
        for (int i = 1; i <= int(TBaudRate::br256000); ++i)
            if (BaudRateValue(TBaudRate(i)) == m_invocation.baud)
                rate = TBaudRate(i);
        m_port.SetBaudRate(rate);
        m_port.SetCustomBaudRate(m_invocation.baud);
        m_port.Open();
    } catch (const EComPort& e) {
        // A signal during a network port's connect gives the connect up.
        if (m_forced)
            return Outcome::fail(ExitCode::Interrupted, QStringLiteral("interrupted"));
        return Outcome::fail(ExitCode::PortError, describedPortError(e));
    }
    if (const auto* device = dynamic_cast<const PosixSerialBackend*>(m_port.backend());
        device && device->savedSettings())
        ExitDeadline::restoreLine(device->fd(), *device->savedSettings());
    // Only now: a port that does not open leaves an earlier recording as it was. Nothing has
    // crossed the line yet, since the port is read from the event loop only.
    return startRecording();
}

std::optional<Outcome> Session::recordingClash(const QStringList& files) const
{
    const QString& record = m_invocation.recordFile;
    if (record.isEmpty())
        return std::nullopt;
    const auto same = [](const QString& a, const QString& b) {
        struct stat sa {
        }, sb{};
        if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
            return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
        return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
    };
    for (const QString& file : files + QStringList{settingsFile(m_invocation)})
        if (!file.isEmpty() && same(record, file))
            return Outcome::fail(ExitCode::UsageOrFile,
                                 QStringLiteral("cannot record into %1: the command reads or writes it itself")
                                     .arg(QDir::toNativeSeparators(record)));
    return std::nullopt;
}

std::optional<Outcome> Session::startRecording()
{
    const QString& file = m_invocation.recordFile;
    if (file.isEmpty() || m_recorder.isOpen())
        return std::nullopt;
    if (!m_recorder.open(file, m_portName, m_invocation.baud))
        return Outcome::fail(ExitCode::UsageOrFile,
                             QStringLiteral("cannot write the recording %1: %2").arg(file, m_recorder.errorString()));
    // The job goes on without its recording; the user hears of it at once.
    m_recorder.onFailure = [this, file](const QString& error) {
        m_console.error(QStringLiteral("the recording %1 stopped: %2").arg(file, error));
    };
    m_port.SetRecorder(&m_recorder);
    return std::nullopt;
}

void Session::onSignal(int)
{
    ++m_signals;
    // A job that finishes first gets a short while for it: a step that waits on a board that
    // does not answer would otherwise hold the end for its whole time-out.
    if (m_signals == 1 && m_graceful)
        QTimer::singleShot(GraceMs, this, &Session::force);
    Q_EMIT stopping();
    if (!m_graceful || m_signals > 1)
        force();
}

void Session::force()
{
    if (m_forced)
        return;
    m_forced = true;
    // Closing ends every wait at once; the job then finds the port closed.
    try {
        m_port.Close();
    } catch (...) {
    }
}

Outcome Session::lostOutcome(const QString& job) const
{
    if (m_forced)
        return Outcome::fail(ExitCode::Interrupted, job + QStringLiteral(": interrupted"));
    return Outcome::fail(ExitCode::PortError, job + QStringLiteral(": the port was lost: ") + m_lostReason);
}

Outcome Session::outcomeOf(const std::exception& error, const QString& job) const
{
    if (dynamic_cast<const EComPort*>(&error)) {
        if (m_forced || lost())
            return lostOutcome(job);
        const auto& e = static_cast<const EComPort&>(error);
        return Outcome::fail(ExitCode::PortError, job + QStringLiteral(": ") + describedPortError(e));
    }
    if (const auto* e = dynamic_cast<const EConvertError*>(&error))
        return Outcome::fail(ExitCode::NoAnswer, job + QStringLiteral(": no valid answer: ") + e->message());
    if (const auto* e = dynamic_cast<const VelmarError*>(&error))
        return Outcome::fail(ExitCode::UsageOrFile, job + QStringLiteral(": ") + e->message());
    return Outcome::fail(ExitCode::BoardFailure, job + QStringLiteral(": ") + QString::fromLocal8Bit(error.what()));
}

Outcome Session::outcomeOf(const std::exception_ptr& error, const Session& session, const QString& job)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return session.outcomeOf(e, job);
    } catch (...) {
        return Outcome::fail(ExitCode::BoardFailure, job + QStringLiteral(": unknown error"));
    }
}
