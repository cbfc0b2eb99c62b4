#include "TMainForm.h"

#include "ClockLines.h"
#include "DownloadRunner.h"
#include "HandlerBoundary.h"
#include "HexText.h"
#include "IniFile.h"
#include "LineRecordAction.h"
#include "PortNames.h"
#include "PortReconnect.h"
#include "PortStatusText.h"
#include "Prompts.h"
#include "RichLog.h"
#include "SettingsDialogs.h"
#include "SettingsDispatch.h"
#include "TComPort.h"
#include "TComSetupFrm.h"
#include "TFormDebug.h"
#include "TFormEinstBase.h"
#include "TFormOneWire.h"
#include "TerminalExtras.h"
#include "ToolIcons.h"
#include "TransferProgressBar.h"
#include "VelmarApplication.h"
#include "WaitCursor.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString Section = QStringLiteral("Hauptfenster");

} // namespace

TMainForm::TMainForm(MainFormEnvironment environment, QWidget* parent)
    : QMainWindow(parent),
      m_env(std::move(environment))
{
    m_settingsPath = m_env.settingsPath.isEmpty() ? IniFile::defaultPath() : m_env.settingsPath;
    buildWindow();
    setUpPort();
    buildStatusBar();
    setUpDownloads();

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, HandlerBoundary::slot(this, &TMainForm::Timer1Timer));

    // The port opens once, on the stored name, when the window is shown.
    HandlerBoundary::run([this] { MainFormCreate(); });
}

void TMainForm::setUpPort()
{
    ComPort = new TComPort(this);
    RecordLineAction = new LineRecordAction(*ComPort, *RichEdit, this);
    TerminalMenu->addEntry(RecordLineAction);
    connect(ComPort, &TComPort::AfterOpen, this, HandlerBoundary::slot(this, &TMainForm::ComPortOpen));
    connect(ComPort, &TComPort::AfterClose, this, HandlerBoundary::slot(this, &TMainForm::ComPortClose));
    connect(ComPort, &TComPort::RxChar, this, HandlerBoundary::slot(this, &TMainForm::ComPortRxChar));
    connect(ComPort, &TComPort::TxEmpty, this, HandlerBoundary::slot(this, &TMainForm::ComPortTxEmpty));
    connect(ComPort, &TComPort::LineLost, this, HandlerBoundary::wrap([this](const QString& reason) {
                RichEdit->setColor(LogColors::Yellow);
                RichEdit->addLine(QStringLiteral("connection lost, port closed: ") + reason);
            }));
    connect(ComPort, &TComPort::Notice, this, HandlerBoundary::wrap([this](const QString& line) {
                RichEdit->setColor(LogColors::Yellow);
                RichEdit->addLine(line);
            }));
    // The port's own event handlers end at the same boundary as every handler of the window,
    // and errors that come while an error is shown go to this terminal.
    ComPort->SetEventBoundary([](const std::function<void()>& handler) { HandlerBoundary::run(handler); });
    VelmarApplication::setTerminal(RichEdit);
    m_link = std::make_unique<Link>(*ComPort, *RichEdit);
    // Never on a busy line: an exchange or a download that lost its port ends with its error.
    m_reconnect = new PortReconnect(
        *ComPort, *RichEdit, [this] { return m_link->busy(); }, this);
}

void TMainForm::buildStatusBar()
{
    // The status bar names the port and its state, and how the last download ended.
    PortStatus = new QLabel(this);
    PortStatus->setObjectName(QStringLiteral("PortStatus"));
    DownloadResult = new QLabel(this);
    DownloadResult->setObjectName(QStringLiteral("DownloadResult"));
    // A long result (a failure with its advice) is cut at the window's edge, never widens it;
    // its tool tip holds it whole.
    DownloadResult->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(PortStatus);
    statusBar()->addWidget(DownloadResult, 1);
    for (auto signal : {&TComPort::AfterOpen, &TComPort::AfterClose, &TComPort::SettingsChanged})
        connect(ComPort, signal, this, &TMainForm::showPortStatus);
    showPortStatus();
    // A long wait for the board shows the busy cursor.
    m_waitCursor = new WaitCursor(*m_link, this);
}

void TMainForm::setUpDownloads()
{
    // While a download runs, the toolbar is off (no tool may start on the line) and the status
    // bar shows the progress once the file is chosen, with a button that stops it; both come
    // back however the download ends.
    m_downloads = std::make_unique<DownloadRunner>(*m_link, *RichEdit);
    DownloadProgress = new TransferProgressBar(this);
    statusBar()->addPermanentWidget(DownloadProgress, 1);
    connect(DownloadProgress, &TransferProgressBar::cancelRequested, this, [this] { m_downloads->cancel(); });
    DownloadRunner::Frontend frontend;
    frontend.begins = [this] { ToolBar->setEnabled(false); };
    frontend.runs = [this] {
        DownloadResult->clear();
        DownloadResult->setToolTip(QString());
        DownloadProgress->begin();
    };
    frontend.ends = [this] {
        DownloadProgress->end();
        ToolBar->setEnabled(true);
    };
    frontend.progress = [this](const TransferProgress& p) { DownloadProgress->setProgress(p); };
    frontend.result = [this](const QString& text) {
        DownloadResult->setText(text);
        DownloadResult->setToolTip(text);
    };
    m_downloads->setFrontend(frontend);
    connect(LoadBtn, &QToolButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::LoadBtnClick));
    connect(ReadFirmwareAction, &QAction::triggered, this, HandlerBoundary::slot(this, &TMainForm::ReadFirmwareClick));
    connect(VerifyFirmwareAction, &QAction::triggered, this,
            HandlerBoundary::slot(this, &TMainForm::VerifyFirmwareClick));

    connect(LoadByteCodeBtn, &QToolButton::clicked, this,
            HandlerBoundary::slot(this, &TMainForm::LoadByteCodeBtnClick));
    LoadBtn->setEnabled(true);
    LoadByteCodeBtn->setEnabled(true);
}

TMainForm::~TMainForm()
{
    // The port closes with the window; the link must not outlive it.
    delete ComPort;
    ComPort = nullptr;
}

QDateTime TMainForm::now() const { return m_env.clock ? m_env.clock() : QDateTime::currentDateTime(); }

QToolButton* TMainForm::addTool(const QString& caption, const QString& iconKind)
{
    auto* b = new QToolButton;
    b->setText(caption);
    b->setIcon(ToolIcon(iconKind));
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const qreal scale = logicalDpiX() / 120.0;
    // The designed 126 x 55 (at 120 dpi), but never so narrow that the caption is cut.
    b->setMinimumSize(std::max(int(126 * scale), b->sizeHint().width() + 8), int(55 * scale) + 8);
    // Tools that are not part of this build stay disabled until they are wired.
    b->setEnabled(false);
    ToolBar->addWidget(b);
    return b;
}

void TMainForm::buildToolBar()
{
    ToolBar = new QToolBar(QStringLiteral("ToolBar"), this);
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar);
    OneWireBtn = addTool(QStringLiteral("script monitor"), QStringLiteral("script"));
    TestBtn = addTool(QStringLiteral("bebug window"), QStringLiteral("debug"));
    EinstellungenBtn = addTool(QStringLiteral("Einstellungen"), QStringLiteral("settings"));
    connect(EinstellungenBtn, &QToolButton::clicked, this,
            HandlerBoundary::slot(this, &TMainForm::BtnEinstellungenClick));
    EinstellungenBtn->setEnabled(true);
    LoadBtn = addTool(QStringLiteral("Download Firmware"), QStringLiteral("firmware"));
    // Beside the button's click, its arrow offers the firmware jobs that write nothing.
    auto* firmwareMenu = new QMenu(LoadBtn);
    ReadFirmwareAction = firmwareMenu->addAction(QStringLiteral("read firmware into file…"));
    VerifyFirmwareAction = firmwareMenu->addAction(QStringLiteral("verify against file…"));
    LoadBtn->setMenu(firmwareMenu);
    LoadBtn->setPopupMode(QToolButton::MenuButtonPopup);
    LoadByteCodeBtn = addTool(QStringLiteral("Download AWL"), QStringLiteral("awl"));
    // All five tools stay in view, also where the fonts are wider than designed.
    resize(std::max(width(), ToolBar->sizeHint().width() + 24), height());
}

void TMainForm::buildWindow()
{
    setWindowTitle(QStringLiteral("Velmar Benutzeroberfläche V 1.04l"));
    const qreal scale = logicalDpiX() / 120.0;
    resize(int(717 * scale), int(741 * scale));
    buildToolBar();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    RichEdit = new RichLog(central);
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    RichEdit->setMinimumSize(int(689 * scale * 0.5), int(545 * scale * 0.5));
    layout->addWidget(RichEdit, 1);
    TerminalMenu = new TerminalExtras(*RichEdit, this);

    auto* inputRow = new QHBoxLayout;
    TermEdit = new QLineEdit(central);
    TermEdit->setObjectName(QStringLiteral("TermEdit"));
    BtSend = new QPushButton(QStringLiteral("Send"), central);
    inputRow->addWidget(TermEdit, 1);
    inputRow->addWidget(BtSend);
    layout->addLayout(inputRow);

    auto* buttons = new QHBoxLayout;
    SettingBtn = new QPushButton(QStringLiteral("Setting Com"), central);
    OpenBtn = new QPushButton(QStringLiteral("Open Com"), central);
    timeBtn = new QPushButton(QStringLiteral("set system time"), central);
    ClearBtn = new QPushButton(QStringLiteral("Clear Window"), central);
    for (auto* b : {SettingBtn, OpenBtn, timeBtn, ClearBtn}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    setCentralWidget(central);

    connect(SettingBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::SettingBtnClick));
    connect(OpenBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::OpenBtnClick));
    connect(timeBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::timeBtnClick));
    connect(ClearBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::ClickBtnClear));
    connect(BtSend, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::ClickBtnSend));
    connect(TestBtn, &QToolButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::TestBtnClick));
    TestBtn->setEnabled(true);
    connect(OneWireBtn, &QToolButton::clicked, this, HandlerBoundary::slot(this, &TMainForm::OneWireBtnClick));
    OneWireBtn->setEnabled(true);

    // The window sees every key before its controls.
    for (QWidget* w : {static_cast<QWidget*>(RichEdit), static_cast<QWidget*>(TermEdit), static_cast<QWidget*>(BtSend),
                       static_cast<QWidget*>(SettingBtn), static_cast<QWidget*>(OpenBtn),
                       static_cast<QWidget*>(timeBtn), static_cast<QWidget*>(ClearBtn)})
        w->installEventFilter(this);
    setFocusProxy(TermEdit);
}

void TMainForm::MainFormCreate()
{
    IniFile settings(m_settingsPath);
    if (!settings.error().isEmpty()) {
        // Said once, as the window shows; the windows then run without a settings file, and
        // nothing tries to write one at their close.
        m_settingsNotice =
            settings.error() + QStringLiteral(": starting with the defaults, the settings are not saved");
        m_settingsPath.clear();
    }
    m_placement.restore(*this, QPoint(settings.ReadInteger(Section, QStringLiteral("XPos"), 0),
                                      settings.ReadInteger(Section, QStringLiteral("YPos"), 0)));
    FirmwareFileName = settings.ReadString(Section, QStringLiteral("Filename"), QStringLiteral("*.Hex"));
    ByteCodeFileName = settings.ReadString(Section, QStringLiteral("FilenameByteCode"), QStringLiteral("*.Vlb"));
    ComPortName = settings.ReadString(Section, QStringLiteral("ComPort"), QStringLiteral("COM1"));
    NetworkPorts = PortNames::rememberNetwork(settings.ReadString(Section, QStringLiteral("NetworkPorts"), QString())
                                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts),
                                              ComPortName.trimmed());
    CustomBaudText = settings.ReadString(Section, QStringLiteral("CustomBaud"), QStringLiteral("28800"));
    TerminalMenu->setTimeStamps(settings.ReadInteger(Section, QStringLiteral("TerminalTimeStamps"), 0) == 1);
    TerminalMenu->setLogFileName(settings.ReadString(Section, QStringLiteral("TerminalLogFile"), QString()));
    m_logAtStart = settings.ReadInteger(Section, QStringLiteral("TerminalLogOn"), 0) == 1;
    m_reconnect->setEnabled(settings.ReadInteger(Section, QStringLiteral("AutoReconnect"), 1) != 0);
    // The clearing below still happens when "flags" is no number.
    const QString flags = settings.ReadString(Section, QStringLiteral("flags"), QStringLiteral("0"));
    m_link->ClearTelegramEcho();
    HistoryWriteIndex = 0;
    HistoryBrowseIndex = 0;
    SyncFlags = StrToInt(flags.trimmed());
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    TermEdit->setFocus();
    HandlerBoundary::run([this] { MainFormShow(); });
}

void TMainForm::MainFormShow()
{
    RichEdit->clear();
    if (!m_settingsNotice.isEmpty()) {
        RichEdit->setColor(LogColors::Yellow);
        RichEdit->addLine(m_settingsNotice);
    }
    // A copy into a file that was on at the last close goes on, appended to.
    if (m_logAtStart && !TerminalMenu->logFileName().isEmpty())
        TerminalMenu->startLogging(TerminalMenu->logFileName());
    // A port that cannot be opened ends the start here, as a custom rate that is no number
    // does: its error is shown, and neither file synchronization nor the greeting follows.
    ComPort->SetPort(ComPortName);
    ComPort->Open();
    ComPort->SetCustomBaudRate(StrToInt(CustomBaudText.trimmed()));
    SyncFileName.clear();
    if (SyncFlags == 1) {
        Timer1->start();
        RichEdit->setColor(LogColors::Yellow);
        RichEdit->addLine(QStringLiteral("file synchronization enabled"));
    } else {
        Timer1->stop();
    }
    RichEdit->setColor(LogColors::Yellow);
    RichEdit->addLine(QStringLiteral("you can start ... "));
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // An open script monitor with a send list that was not saved asks first; cancelled
    // there, the program goes on with both windows.
    for (TFormOneWire* monitor : findChildren<TFormOneWire*>())
        if (monitor->isVisible() && !monitor->close()) {
            event->ignore();
            return;
        }
    // A settings file that cannot be written is reported; the window closes all the same,
    // so that nobody is kept from quitting.
    HandlerBoundary::run([this] { MainFormClose(); });
    Timer1->stop();
    event->accept();
}

void TMainForm::MainFormClose()
{
    IniFile settings(m_settingsPath);
    const QPoint pos = m_placement.positionToStore(*this);
    settings.WriteInteger(Section, QStringLiteral("XPos"), pos.x());
    settings.WriteInteger(Section, QStringLiteral("YPos"), pos.y());
    settings.WriteInteger(Section, QStringLiteral("Breite"), width());
    settings.WriteInteger(Section, QStringLiteral("Hoehe"), height());
    settings.WriteString(Section, QStringLiteral("Filename"), FirmwareFileName);
    settings.WriteString(Section, QStringLiteral("FilenameByteCode"), ByteCodeFileName);
    settings.WriteString(Section, QStringLiteral("ComPort"), ComPort->Port());
    if (!NetworkPorts.isEmpty())
        settings.WriteString(Section, QStringLiteral("NetworkPorts"), NetworkPorts.join(QLatin1Char(' ')));
    settings.WriteString(Section, QStringLiteral("CustomBaud"), CustomBaudText);
    settings.WriteInteger(Section, QStringLiteral("TerminalTimeStamps"), TerminalMenu->timeStamps() ? 1 : 0);
    settings.WriteString(Section, QStringLiteral("TerminalLogFile"), TerminalMenu->logFileName());
    settings.WriteInteger(Section, QStringLiteral("TerminalLogOn"), TerminalMenu->logging() ? 1 : 0);
    settings.WriteInteger(Section, QStringLiteral("AutoReconnect"), m_reconnect->enabled() ? 1 : 0);
    settings.UpdateFile();
}

void TMainForm::OpenBtnClick()
{
    if (ComPort->Connected()) {
        if (m_link->refuseIfBusy(QStringLiteral("closing the port")))
            return;
        ComPort->Close();
    } else {
        // A network port still connecting keeps the line busy.
        if (m_link->refuseIfBusy(QStringLiteral("opening the port")))
            return;
        ComPort->Open();
    }
}

void TMainForm::ComPortOpen() { OpenBtn->setText(QStringLiteral("Com Port Close")); }

void TMainForm::ComPortClose() { OpenBtn->setText(QStringLiteral("Com Port Open")); }

void TMainForm::showPortStatus() { PortStatus->setText(PortStatusText(*ComPort)); }

void TMainForm::ComPortRxChar(int count) { m_link->rx().ComPortRxChar(count); }

void TMainForm::ComPortTxEmpty() {}

void TMainForm::SettingBtnClick()
{
    if (m_link->refuseIfBusy(QStringLiteral("port settings")))
        return;
    const auto choice = ShowSetupDialog(ComPort->setup(), this, m_reconnect->enabled(), NetworkPorts);
    if (!choice)
        return;
    // Kept also when it cannot be opened now: its server may be down for a while.
    NetworkPorts = PortNames::rememberNetwork(NetworkPorts, choice->port.port);
    // Reconnecting is switched first, so that a port opened anew below is watched as chosen.
    if (choice->reconnect)
        m_reconnect->setEnabled(*choice->reconnect);
    ComPort->applySetup(choice->port);
}

void TMainForm::BtnEinstellungenClick()
{
    if (m_link->refuseIfBusy(QStringLiteral("Einstellungen")))
        return;
    // However the visit ends (an answer that does not convert ends it early), the terminal
    // shows incoming text again afterwards.
    Link::Conversation conversation(*m_link);
    const auto finish = qScopeGuard([this] { SettingsDispatch::finish(*m_link, *RichEdit); });
    if (const auto kind = SettingsDispatch::askKind(*m_link, *RichEdit)) {
        if (const auto dialog = CreateSettingsDialog(*kind, *m_link, this))
            RunSettingsDialog(*dialog);
    }
}

void TMainForm::ClickBtnClear() { RichEdit->clear(); }

void TMainForm::ClickBtnSend()
{
    if (m_link->refuseIfBusy(QStringLiteral("Send")))
        return;
    m_link->sendTerminalText(TermEdit->text() + QLatin1Char('\r'));
}

void TMainForm::TermEditKeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (m_link->refuseIfBusy(QStringLiteral("Send")))
        return;
    QString s = TermEdit->text();
    // Nine slots used as a ring: after the ninth line the oldest one is replaced.
    LineHistory[HistoryWriteIndex % 9] = s;
    HistoryWriteIndex = std::uint8_t((HistoryWriteIndex + 1) % 9);
    HistoryBrowseIndex = HistoryWriteIndex;
    s += QLatin1Char('\r');
    TermEdit->clear();
    m_link->sendTerminalText(s);
}

void TMainForm::showHistorySlot(std::uint8_t index, const QString& logPrefix)
{
    if (index <= 8) {
        TermEdit->setText(LineHistory[index]);
        TermEdit->setCursorPosition(int(TermEdit->text().size()));
    }
    RichEdit->addLine(logPrefix + ByteToHexDigits(index));
}

bool TMainForm::FormKeyDown(int key)
{
    if (key == Qt::Key_Down) {
        HistoryBrowseIndex = std::uint8_t(HistoryBrowseIndex + 1);
        if (HistoryBrowseIndex == 9)
            HistoryBrowseIndex = 0;
        showHistorySlot(HistoryBrowseIndex, QStringLiteral("Down Zeile: "));
        return true;
    }
    if (key == Qt::Key_Up) {
        HistoryBrowseIndex = HistoryBrowseIndex == 0 ? 8 : std::uint8_t(HistoryBrowseIndex - 1);
        showHistorySlot(HistoryBrowseIndex, QStringLiteral("UP Zeile: "));
        return true;
    }
    return false;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            bool taken = false;
            HandlerBoundary::run([&] { taken = FormKeyDown(key->key()); });
            if (taken)
                return true;
            if (watched == TermEdit && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                HandlerBoundary::run([&] { TermEditKeyPress(key->key()); });
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::timeBtnClick()
{
    if (m_link->refuseIfBusy(QStringLiteral("set system time")))
        return;
    const QDateTime t = now();
    m_link->sendTerminalText(ClockLines::timeLine(t));
    m_link->sendTerminalText(ClockLines::dateLine(t));
}

void TMainForm::Timer1Timer() { m_downloads->syncTick(SyncFileName, SyncFileTime, ByteCodeFileName); }

DownloadRunner::ChooseFile TMainForm::fileChooser(const QString& title)
{
    return [this, title](const QString& initialName, const QString& filter, const QString& extension) {
        return Prompts::openFile(this, initialName, filter, extension, title);
    };
}

DownloadRunner::ChooseFile TMainForm::saveFileChooser(const QString& title)
{
    return [this, title](const QString& initialName, const QString& filter, const QString& extension) {
        return Prompts::saveFile(this, initialName, filter, extension, title);
    };
}

void TMainForm::LoadBtnClick() { m_downloads->chooseAndLoadFirmware(FirmwareFileName, fileChooser()); }

void TMainForm::ReadFirmwareClick()
{
    m_downloads->chooseAndReadFirmware(ReadFirmwareFileName,
                                       saveFileChooser(QStringLiteral("read firmware into file")));
}

void TMainForm::VerifyFirmwareClick()
{
    m_downloads->chooseAndVerifyFirmware(FirmwareFileName, fileChooser(QStringLiteral("verify against file")));
}

void TMainForm::LoadByteCodeBtnClick()
{
    m_downloads->chooseAndLoadByteCode(ByteCodeFileName, SyncFileName, SyncFileTime, fileChooser());
}

void TMainForm::LoadByteCode(const QString& fileName) { m_downloads->loadByteCode(fileName); }

void TMainForm::TestBtnClick()
{
    // Each click makes a fresh window; it stays with the main window, which frees it at the end.
    // Its polls form one conversation: between them the line stays with the window (a late
    // answer goes into the answer text, not into the terminal), and the terminal has its
    // receive mode back when it closes.
    Link::Conversation conversation(*m_link);
    auto* form = new TFormDebug(*m_link, m_settingsPath, this);
    ShowDebugWindow(*form);
}

void TMainForm::OneWireBtnClick()
{
    // A fresh window per click. It goes when it closes (no row of it can still be running
    // then), so its settings are written at once and a second opening starts from them.
    // Its telegrams form one conversation: the terminal has its receive mode back when it closes.
    {
        Link::Conversation conversation(*m_link);
        TFormOneWire form(*m_link, m_settingsPath, this);
        ShowScriptMonitor(form);
    }
    m_link->ClearTelegramEcho();
    RichEdit->addLine(QString());
}
