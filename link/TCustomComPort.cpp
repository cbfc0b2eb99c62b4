#include "TCustomComPort.h"

#include "EComPort.h"
#include "LineRecorder.h"
#include "NetworkPortBackend.h"
#include "PortBackend.h"
#include "PortDiagnosis.h"
#include "PortNames.h"
#include "PosixSerialBackend.h"

#include <QDebug>
#include <QHash>
#include <QLoggingCategory>
#include <cerrno>
#include <cstring>

// Trace of the port's calls, off by default: QT_LOGGING_RULES="velmar.port.debug=true".
Q_LOGGING_CATEGORY(lcPort, "velmar.port", QtInfoMsg)

namespace {

QHash<QString, TCustomComPort::BackendFactory>& registry()
{
    static QHash<QString, TCustomComPort::BackendFactory> factories;
    return factories;
}

std::unique_ptr<PortBackend> makeBackend(const QString& port)
{
    const auto it = registry().constFind(port.toUpper());
    if (it != registry().constEnd())
        return (*it)(port);
    if (PortNames::isNetwork(port))
        return std::make_unique<NetworkPortBackend>(port);
    return std::make_unique<PosixSerialBackend>(PortNames::devicePath(port));
}

int writeTimeoutMs(const TComTimeouts& t, int count)
{
    if (t.WriteTotalConstant < 0 || t.WriteTotalMultiplier < 0)
        return std::numeric_limits<int>::max();
    const qint64 ms = qint64(t.WriteTotalConstant) + qint64(t.WriteTotalMultiplier) * count;
    if (ms == 0)
        return std::numeric_limits<int>::max(); // no total time-out
    return int(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

} // namespace

void TCustomComPort::RegisterBackend(const QString& portName, BackendFactory factory)
{
    registry().insert(portName.toUpper(), std::move(factory));
}

void TCustomComPort::UnregisterBackend(const QString& portName) { registry().remove(portName.toUpper()); }

TCustomComPort::TCustomComPort(QObject* parent) : QObject(parent) {}

TCustomComPort::~TCustomComPort()
{
    if (m_backend) {
        // Closing on destruction: nobody is left to hear of errors.
        releaseDevice(true);
    }
}

void TCustomComPort::fail(int code, int systemError, const QString& device, const QString& farEndText)
{
    qCInfo(lcPort).noquote() << m_port << ComErrorText(code) << std::strerror(systemError);
    EComPortExt error(code, systemError, m_port);
    const QString path =
        !device.isEmpty() ? device : (m_backend ? m_backend->deviceName() : PortNames::devicePath(m_port));
    const QString said = !farEndText.isEmpty() ? farEndText : (m_backend ? m_backend->farEndText() : QString());
    // On a port that an unplug closed, "not open" means that the device is gone.
    const int reason = systemError == EBADF && m_lost ? ENODEV : systemError;
    error.setDetails(PortDiagnosis().lines(code, reason, path, said));
    throw error;
}

void TCustomComPort::Open()
{
    if (m_backend || m_opening)
        return;
    auto backend = makeBackend(m_port);
    // A device that waits for its far end says so before its open returns.
    connect(backend.get(), &PortBackend::notice, this, &TCustomComPort::Notice);
    connect(backend.get(), &PortBackend::waiting, this, &TCustomComPort::Waiting);
    m_opening = backend.get();
    const int err = backend->open();
    m_opening = nullptr;
    if (err) {
        qCInfo(lcPort).noquote() << "CreateFile" << backend->deviceName() << std::strerror(err);
        fail(CE_OpenFailed, err, backend->deviceName(), backend->farEndText());
    }
    m_backend = std::move(backend);
    m_lost = false;
    try {
        applySettings();
    } catch (...) {
        // Closed meanwhile (the settings of a network port are waited for): nothing is left.
        if (m_backend) {
            m_backend->close();
            m_backend.reset();
        }
        throw;
    }
    if (!m_backend)
        fail(CE_OpenFailed, ECANCELED);
    connect(m_backend.get(), &PortBackend::readyRead, this, &TCustomComPort::onReadyRead);
    connect(m_backend.get(), &PortBackend::lineLost, this, &TCustomComPort::onLineLost);
    enableRxEvents();
    Q_EMIT AfterOpen();
    if (m_backend) {
        if (int err = m_backend->modemStatus())
            fail(CE_ModemStatFailed, err);
    }
}

void TCustomComPort::enableRxEvents()
{
    // Only received characters need the device watched; nothing else is waited for.
    if (m_backend)
        m_backend->setEventsEnabled((m_events & evRxChar) != 0 && m_rxHolds == 0);
}

void TCustomComPort::HoldRxEvents()
{
    if (m_rxHolds++ == 0) {
        enableRxEvents();
        if (m_recorder)
            m_recorder->unwatched();
    }
}

void TCustomComPort::ReleaseRxEvents()
{
    if (m_rxHolds > 0 && --m_rxHolds == 0) {
        if (m_recorder)
            m_recorder->watched(m_backend ? m_backend->inputCount() : 0);
        enableRxEvents();
    }
}

void TCustomComPort::releaseDevice(bool purge)
{
    auto backend = std::move(m_backend);
    backend->setEventsEnabled(false);
    if (purge)
        (void)backend->purge();
    backend->close();
    // The device may still be delivering a signal further up the stack.
    backend.release()->deleteLater();
}

void TCustomComPort::Close()
{
    m_lost = false;
    if (m_opening) {
        // An open that waits for a far end ends at once, with its error.
        m_opening->close();
        return;
    }
    if (!m_backend)
        return;
    int err = m_backend->purge();
    if (err != 0 && err != EIO && err != ENXIO && err != ENODEV) {
        releaseDevice(false);
        Q_EMIT AfterClose();
        fail(CE_PurgeFailed, err);
    }
    releaseDevice(false);
    Q_EMIT AfterClose();
}

int TCustomComPort::InputCount()
{
    if (!m_backend)
        fail(CE_ClearComFailed, EBADF);
    const qint64 n = m_backend->inputCount();
    if (n < 0) {
        const int err = int(-n);
        closeIfGone(err);
        fail(CE_ClearComFailed, err);
    }
    if (m_recorder && n == 0)
        m_recorder->settle();
    return int(n);
}

int TCustomComPort::Read(char* buffer, int count)
{
    if (count > 0)
        buffer[0] = char(0xFF);
    if (!m_backend)
        fail(CE_ReadFailed, EBADF);
    const qint64 n = m_backend->read(buffer, count);
    if (n < 0) {
        const int err = int(-n);
        closeIfGone(err);
        fail(CE_ReadFailed, err);
    }
    if (m_recorder && n > 0)
        m_recorder->received(buffer, n);
    return int(n);
}

int TCustomComPort::ReadStr(QByteArray& text, int count)
{
    text.resize(std::max(count, 0));
    const int n = Read(text.data(), count);
    text.resize(n);
    return n;
}

int TCustomComPort::Write(const char* buffer, int count)
{
    if (!m_backend)
        fail(CE_WriteFailed, EBADF);
    if (count <= 0)
        return 0;
    const qint64 n = m_backend->write(buffer, count, writeTimeoutMs(m_timeouts, count));
    if (n < 0) {
        const int err = int(-n);
        if (err != ETIMEDOUT)
            closeIfGone(err);
        fail(CE_WriteFailed, err);
    }
    if (m_recorder)
        m_recorder->sent(buffer, n);
    if (m_events & evTxEmpty)
        QMetaObject::invokeMethod(this, &TCustomComPort::TxEmpty, Qt::QueuedConnection);
    return int(n);
}

int TCustomComPort::WriteStr(const QByteArray& text)
{
    qCDebug(lcPort) << "TCustomComPort.WriteStr" << text;
    return Write(text.constData(), int(text.size()));
}

void TCustomComPort::inBoundary(const std::function<void()>& handler)
{
    if (m_eventBoundary)
        m_eventBoundary(handler);
    else
        handler();
}

void TCustomComPort::onReadyRead()
{
    // Only the device in use speaks; one let go of may still have a signal on its way.
    if (sender() != m_backend.get())
        return;
    inBoundary([this] { readWaiting(); });
}

void TCustomComPort::readWaiting()
{
    // A report already on its way when a hold began waits for the release like the rest.
    if (!(m_events & evRxChar) || m_rxHolds > 0)
        return;
    const int n = InputCount();
    if (n > 0)
        Q_EMIT RxChar(n);
    if (m_recorder)
        m_recorder->settle();
}

void TCustomComPort::closeIfGone(int error)
{
    if (!m_backend)
        return;
    const bool gone = error == EBADF || PortDiagnosis::disconnected(error);
    if (!gone)
        return;
    const QString device = m_backend->deviceName();
    m_lost = true;
    releaseDevice(false);
    Q_EMIT AfterClose();
    Q_EMIT LineLost(device + QStringLiteral(": ") + PortDiagnosis::reasonText(error, device));
}

void TCustomComPort::onLineLost(int error)
{
    if (sender() != m_backend.get())
        return;
    inBoundary([this, error] { lineLost(error); });
}

void TCustomComPort::lineLost(int error)
{
    if (!m_backend)
        return;
    closeIfGone(error);
    // Reported once, from the event that noticed it; afterwards the port is closed.
    fail(CE_ReadFailed, error);
}

LineSettings TCustomComPort::lineSettings() const
{
    LineSettings s;
    s.baudRate = m_baudRate == TBaudRate::brCustom ? m_customBaudRate : BaudRateValue(m_baudRate);
    s.dataBits = m_dataBits;
    s.stopBits = m_stopBits;
    s.parity = m_parity;
    s.flow = m_flow;
    s.buffer = m_buffer;
    s.timeouts = m_timeouts;
    return s;
}

PortSetup TCustomComPort::setup() const { return {m_port, m_baudRate, lineSettings()}; }

void TCustomComPort::applySetup(const PortSetup& setup)
{
    BeginUpdate();
    try {
        SetPort(setup.port);
        SetBaudRate(setup.baudRate);
        SetDataBits(setup.line.dataBits);
        SetStopBits(setup.line.stopBits);
        SetParity(setup.line.parity);
        SetFlowControl(setup.line.flow);
        SetBuffer(setup.line.buffer);
        SetTimeouts(setup.line.timeouts);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCustomComPort::applySettings()
{
    if (!m_backend || m_updateCount > 0)
        return;
    if (m_customBaudRate <= 0 && m_baudRate == TBaudRate::brCustom)
        fail(CE_SetStateFailed, EINVAL);
    if (int err = m_backend->applySettings(lineSettings()))
        fail(CE_SetStateFailed, err);
}

void TCustomComPort::settingChanged()
{
    if (m_updateCount > 0)
        return;
    if (m_backend)
        applySettings();
    Q_EMIT SettingsChanged();
}

void TCustomComPort::SetPort(const QString& name)
{
    if (name == m_port)
        return;
    m_port = name;
    Q_EMIT SettingsChanged();
    if (m_backend) {
        Close();
        Open();
    }
}

#define VELMAR_SETTER(Name, member)                                                                                    \
    if (member == v)                                                                                                   \
        return;                                                                                                        \
    member = v;                                                                                                        \
    settingChanged();

void TCustomComPort::SetBaudRate(TBaudRate v) { VELMAR_SETTER(BaudRate, m_baudRate) }
void TCustomComPort::SetDataBits(TDataBits v) { VELMAR_SETTER(DataBits, m_dataBits) }
void TCustomComPort::SetStopBits(TStopBits v) { VELMAR_SETTER(StopBits, m_stopBits) }
void TCustomComPort::SetParity(const TComParity& v) { VELMAR_SETTER(Parity, m_parity) }
void TCustomComPort::SetFlowControl(const TComFlowControl& v) { VELMAR_SETTER(FlowControl, m_flow) }
void TCustomComPort::SetBuffer(const TComBuffer& v) { VELMAR_SETTER(Buffer, m_buffer) }
void TCustomComPort::SetTimeouts(const TComTimeouts& v) { VELMAR_SETTER(Timeouts, m_timeouts) }
#undef VELMAR_SETTER

void TCustomComPort::SetCustomBaudRate(int v)
{
    if (v == m_customBaudRate)
        return;
    m_customBaudRate = v;
    settingChanged();
}

void TCustomComPort::SetFlowControlKind(TFlowControl kind)
{
    TComFlowControl f = m_flow;
    f.setKind(kind);
    SetFlowControl(f);
}

void TCustomComPort::SetEvents(unsigned events)
{
    if (events == m_events)
        return;
    m_events = events;
    enableRxEvents();
}

void TCustomComPort::BeginUpdate() { ++m_updateCount; }

void TCustomComPort::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0) {
        if (m_backend)
            applySettings();
        Q_EMIT SettingsChanged();
    }
}
