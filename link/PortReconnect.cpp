#include "PortReconnect.h"

#include "EComPort.h"
#include "LogSink.h"
#include "NetworkPortBackend.h"
#include "PortNames.h"
#include "TCustomComPort.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTimer>

PortReconnect::PortReconnect(TCustomComPort& port, LogSink& terminal, std::function<bool()> busy, QObject* parent)
    : QObject(parent),
      m_port(port),
      m_terminal(terminal),
      m_busy(std::move(busy))
{
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &PortReconnect::check);
    connect(&m_port, &TCustomComPort::AfterOpen, this, &PortReconnect::opened);
    connect(&m_port, &TCustomComPort::LineLost, this, &PortReconnect::lost);
}

PortReconnect::~PortReconnect() = default;

void PortReconnect::setEnabled(bool on)
{
    m_enabled = on;
    if (!on)
        stopWaiting();
}

QStringList PortReconnect::byIdNamesOf(const QString& portName) const
{
    const QString path = PortNames::devicePath(portName);
    if (QFileInfo(path).absolutePath() == QFileInfo(m_byIdDir).absoluteFilePath())
        return {path};
    const QString device = QFileInfo(path).canonicalFilePath();
    QStringList names;
    const QDir byId(m_byIdDir);
    for (const QString& entry : byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!device.isEmpty() && QFileInfo(byId.filePath(entry)).canonicalFilePath() == device)
            names << byId.filePath(entry);
    }
    return names;
}

void PortReconnect::opened()
{
    stopWaiting();
    // Remembered now: once the device is gone, so are its by-id names.
    m_openByIds = byIdNamesOf(m_port.Port());
}

void PortReconnect::lost()
{
    if (!m_enabled || m_port.Connected())
        return;
    m_lostPort = m_port.Port();
    m_lostByIds = m_openByIds;
    m_timer.start();
}

void PortReconnect::stopWaiting()
{
    endProbe();
    m_timer.stop();
    m_lostPort.clear();
    m_lostByIds.clear();
}

void PortReconnect::endProbe()
{
    m_probeTaken = false;
    if (m_probe) {
        m_probe->disconnect(this);
        m_probe->abort();
        m_probe.release()->deleteLater();
    }
}

bool PortReconnect::serverBack()
{
    if (m_probeTaken) {
        endProbe();
        return true;
    }
    if (m_probe)
        return false; // still trying
    const auto address = PortNames::network(m_lostPort);
    if (!address)
        return false;
    m_probe = std::make_unique<QTcpSocket>();
    QTcpSocket* probe = m_probe.get();
    connect(probe, &QTcpSocket::connected, this, [this] {
        m_probe->abort();
        m_probeTaken = true;
        check(); // at once, not a tick later
    });
    connect(probe, &QTcpSocket::errorOccurred, this, [this, probe] {
        if (m_probe.get() == probe && !m_probeTaken)
            endProbe();
    });
    // A host that drops the attempts is given up after the port's own connect time.
    QTimer::singleShot(NetworkPortBackend::ConnectMs, probe, [this, probe] {
        if (m_probe.get() == probe && !m_probeTaken)
            endProbe();
    });
    probe->connectToHost(address->host, address->port);
    return false;
}

QString PortReconnect::comeBack() const
{
    // A device with by-id names is only the same one when one of them is back; its own
    // path may meanwhile belong to another adapter.
    for (const QString& name : m_lostByIds) {
        const QString device = QFileInfo(name).canonicalFilePath();
        if (!device.isEmpty())
            return device;
    }
    if (!m_lostByIds.isEmpty())
        return {};
    const QString path = PortNames::devicePath(m_lostPort);
    return QFileInfo::exists(path) ? path : QString();
}

void PortReconnect::check()
{
    if (!waiting())
        return;
    // Opened by hand meanwhile, or another port chosen: nothing left to wait for.
    if (m_port.Connected() || m_port.Port() != m_lostPort) {
        stopWaiting();
        return;
    }
    if (m_busy && m_busy())
        return;
    if (PortNames::isNetwork(m_lostPort)) {
        if (!serverBack())
            return;
        openAgain(m_lostPort);
        return;
    }
    const QString device = comeBack();
    if (device.isEmpty())
        return;
    QString name = m_lostPort;
    // The adapter came back under another device name ("ttyUSB1"): the port follows it, in
    // the form the name had. A by-id name or a path of its own stays as it is.
    const QString path = PortNames::devicePath(m_lostPort);
    if (!m_lostByIds.isEmpty() && !m_lostByIds.contains(path) && QFileInfo(path).canonicalFilePath() != device)
        name = m_lostPort.startsWith(QLatin1Char('/')) ? device : QFileInfo(device).fileName();
    openAgain(name);
}

void PortReconnect::openAgain(const QString& name)
{
    try {
        if (name != m_port.Port()) {
            m_port.SetPort(name);
            m_lostPort = name;
        }
        m_port.Open();
    } catch (const EComPort&) {
        // Not yet usable (its permissions are still being set, another program was
        // quicker): the next tick tries again. The port stays closed meanwhile.
        return;
    }
    if (!m_port.Connected())
        return;
    m_terminal.setColor(LogColors::Yellow);
    m_terminal.addLine(QStringLiteral("reconnected: ") + m_port.Port() +
                       QStringLiteral(" is back, the port is open again"));
    Q_EMIT reconnected(m_port.Port());
}
