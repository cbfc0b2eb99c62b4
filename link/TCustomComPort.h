#pragma once

#include "ComPortTypes.h"

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>

class LineRecorder;
class PortBackend;

// The serial port component: its settings, open and close in their fixed order, reads that
// return at once, writes that complete before returning, and the characters-received event
// delivered on the UI thread with the waiting count.
class TCustomComPort : public QObject {
    Q_OBJECT
public:
    // Makes the device for a port name; the default opens termios devices. "SIM" and test
    // devices are added with RegisterBackend.
    using BackendFactory = std::function<std::unique_ptr<PortBackend>(const QString& portName)>;
    static void RegisterBackend(const QString& portName, BackendFactory factory);
    static void UnregisterBackend(const QString& portName);

    explicit TCustomComPort(QObject* parent = nullptr);
    ~TCustomComPort() override;

    void Open();
    void Close();
    [[nodiscard]] bool Connected() const { return m_backend != nullptr; }

    [[nodiscard]] int InputCount();
    // Reads at most `count` waiting bytes; `buffer[0]` is 0xFF when nothing was waiting.
    int Read(char* buffer, int count);
    int ReadStr(QByteArray& text, int count);
    int Write(const char* buffer, int count);
    int WriteStr(const QByteArray& text);

    // Settings: a new value re-applies the line when open; the same value does nothing.
    [[nodiscard]] const QString& Port() const { return m_port; }
    void SetPort(const QString& name);
    [[nodiscard]] TBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TBaudRate v);
    [[nodiscard]] int CustomBaudRate() const { return m_customBaudRate; }
    void SetCustomBaudRate(int v);
    [[nodiscard]] TDataBits DataBits() const { return m_dataBits; }
    void SetDataBits(TDataBits v);
    [[nodiscard]] TStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TStopBits v);
    [[nodiscard]] const TComParity& Parity() const { return m_parity; }
    void SetParity(const TComParity& v);
    [[nodiscard]] const TComFlowControl& FlowControl() const { return m_flow; }
    void SetFlowControl(const TComFlowControl& v);
    [[nodiscard]] TFlowControl FlowControlKind() const { return m_flow.kind(); }
    void SetFlowControlKind(TFlowControl kind);
    [[nodiscard]] unsigned Events() const { return m_events; }
    void SetEvents(unsigned events);
    [[nodiscard]] const TComBuffer& Buffer() const { return m_buffer; }
    void SetBuffer(const TComBuffer& v);
    [[nodiscard]] const TComTimeouts& Timeouts() const { return m_timeouts; }
    void SetTimeouts(const TComTimeouts& v);

    // While held, received characters are not reported: they wait in the input queue and are
    // reported once the last hold is released. Holds nest.
    void HoldRxEvents();
    void ReleaseRxEvents();

    // Runs the port's own event handlers (characters received, the line lost), whose errors
    // would otherwise propagate into the event dispatch: a window hands them to its general
    // error handler there. Without one they propagate as before.
    using EventBoundary = std::function<void(const std::function<void()>& handler)>;
    void SetEventBoundary(EventBoundary boundary) { m_eventBoundary = std::move(boundary); }

    // Every byte written and read goes to `recorder` too, while it is set and open (nullptr:
    // none). The port does not own it.
    void SetRecorder(LineRecorder* recorder) { m_recorder = recorder; }
    [[nodiscard]] LineRecorder* Recorder() const { return m_recorder; }

    // Defers applying settings until the matching EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    [[nodiscard]] LineSettings lineSettings() const;
    // The name and line as the setup dialog shows them.
    [[nodiscard]] PortSetup setup() const;
    // Applies all of `setup` at once: the line is set up once, a new name opens the port again.
    // The custom rate stays as it is; `setup.line.baudRate`, the event character and the null
    // handling are not read.
    void applySetup(const PortSetup& setup);
    // The device in use while open, for tests and the unplug path.
    [[nodiscard]] PortBackend* backend() const { return m_backend.get(); }

Q_SIGNALS:
    void AfterOpen();
    void AfterClose();
    void RxChar(int count);
    void TxEmpty();
    // The device went away; the port has closed itself. `reason` names the cause.
    void LineLost(const QString& reason);
    // A line about the port for the user's terminal that is no error (a network port's far
    // end did not confirm a line setting).
    void Notice(const QString& line);
    // The device waits for its far end in an event loop (a network port connecting, or
    // confirming the line settings): true at the start, false at the end.
    void Waiting(bool on);
    // The name or a line setting changed (once per BeginUpdate/EndUpdate bracket).
    void SettingsChanged();

private:
    void applySettings();
    void settingChanged();
    void onReadyRead();
    void onLineLost(int error);
    void readWaiting();
    void lineLost(int error);
    void inBoundary(const std::function<void()>& handler);
    void closeIfGone(int error);
    void releaseDevice(bool purge);
    void enableRxEvents();
    // Throws the error with the reason and a hint below its text; `device` is the device's
    // path, the one in use when empty; `farEndText` what a network port's server said.
    [[noreturn]] void fail(int code, int systemError, const QString& device = {}, const QString& farEndText = {});

    QString m_port = QStringLiteral("COM1");
    TBaudRate m_baudRate = TBaudRate::br57600;
    int m_customBaudRate = 9600;
    TDataBits m_dataBits = TDataBits::dbEight;
    TStopBits m_stopBits = TStopBits::sbOneStopBit;
    TComParity m_parity;
    TComFlowControl m_flow;
    unsigned m_events = evRxChar | evTxEmpty;
    TComBuffer m_buffer;
    TComTimeouts m_timeouts;
    int m_updateCount = 0;
    int m_rxHolds = 0;
    bool m_lost = false; // closed by the device going away, not reopened since
    std::unique_ptr<PortBackend> m_backend;
    PortBackend* m_opening = nullptr; // the device while its open() runs
    EventBoundary m_eventBoundary;
    LineRecorder* m_recorder = nullptr;
};
