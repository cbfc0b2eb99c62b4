#pragma once

#include "DownloadRunner.h"
#include "Link.h"
#include "WindowPlacement.h"

#include <QDateTime>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class PortReconnect;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;
class RichLog;
class TComPort;
class LineRecordAction;
class TerminalExtras;
class TransferProgressBar;
class WaitCursor;

// What the main window takes from its surroundings; tests give their own.
struct MainFormEnvironment {
    QString settingsPath;             // empty: Settings.ini next to the executable
    std::function<QDateTime()> clock; // empty: the PC's local time
};

// The main window: terminal over the serial line, port controls, clock lines, and the
// toolbar that starts the tools. It owns the port and the link; the tools reach the board
// through SendTelegram and GetAnswer.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(MainFormEnvironment environment = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Controls
    QToolBar* ToolBar = nullptr;
    QToolButton* OneWireBtn = nullptr;
    QToolButton* TestBtn = nullptr;
    QToolButton* EinstellungenBtn = nullptr;
    QToolButton* LoadBtn = nullptr;
    QAction* ReadFirmwareAction = nullptr;   // "read firmware into file…", in LoadBtn's menu
    QAction* VerifyFirmwareAction = nullptr; // "verify against file…", in LoadBtn's menu
    QToolButton* LoadByteCodeBtn = nullptr;
    RichLog* RichEdit = nullptr;
    QLineEdit* TermEdit = nullptr;
    QPushButton* SettingBtn = nullptr;
    QPushButton* OpenBtn = nullptr;
    QPushButton* timeBtn = nullptr;
    QPushButton* ClearBtn = nullptr;
    QPushButton* BtSend = nullptr;
    TComPort* ComPort = nullptr;
    QTimer* Timer1 = nullptr;
    TransferProgressBar* DownloadProgress = nullptr;
    QLabel* PortStatus = nullptr;                 // "/dev/ttyUSB0 57600 8N1, open"
    QLabel* DownloadResult = nullptr;             // how the last download ended
    TerminalExtras* TerminalMenu = nullptr;       // the terminal's context menu: stamps, log file, save
    LineRecordAction* RecordLineAction = nullptr; // "record line…" in that menu

    // Settings and terminal state
    QString FirmwareFileName = QStringLiteral("*.Hex");
    QString ReadFirmwareFileName = QStringLiteral("*.hex"); // the file the last read went to
    QString ByteCodeFileName = QStringLiteral("*.Vlb");
    QString ComPortName = QStringLiteral("COM1");
    QString CustomBaudText = QStringLiteral("28800");
    // The network ports chosen last, the latest first ("NetworkPorts" in Settings.ini, the
    // names separated by blanks); "Setting Com" lists them.
    QStringList NetworkPorts;
    int SyncFlags = 0;
    QString SyncFileName;
    QDateTime SyncFileTime;
    std::array<QString, 9> LineHistory;
    std::uint8_t HistoryWriteIndex = 0;
    std::uint8_t HistoryBrowseIndex = 0;

    // The link, for the tools
    [[nodiscard]] Link& link() { return *m_link; }
    std::uint8_t SendTelegram(const QString& request) { return m_link->SendTelegram(request); }
    void GetAnswer(AnswerBytes& destination) const { m_link->GetAnswer(destination); }
    void SetTelegramEcho() { m_link->SetTelegramEcho(); }
    void ClearTelegramEcho() { m_link->ClearTelegramEcho(); }
    [[nodiscard]] std::uint8_t RxMode() const { return m_link->rx().RxMode; }
    [[nodiscard]] const QString& settingsPath() const { return m_settingsPath; }
    [[nodiscard]] QDateTime now() const;

    // Handlers
    void MainFormCreate();
    void MainFormShow();
    void MainFormClose();
    void OpenBtnClick();
    void ComPortOpen();
    void ComPortClose();
    void ComPortRxChar(int count);
    void ComPortTxEmpty();
    void SettingBtnClick();
    // Asks the board for its kind and opens its settings dialog, modally.
    void BtnEinstellungenClick();
    void ClickBtnClear();
    void ClickBtnSend();
    void TermEditKeyPress(int key);
    // Up and Down browse the history; returns true when the key was taken.
    bool FormKeyDown(int key);
    void timeBtnClick();
    void Timer1Timer();
    // Downloads through the board's bootloader: firmware, and AWL byte code (also started by
    // the file synchronization of Timer1).
    void LoadBtnClick();
    // The menu of "Download Firmware": the board's firmware into a file, and a file compared
    // with it, both without a block write.
    void ReadFirmwareClick();
    void VerifyFirmwareClick();
    void LoadByteCodeBtnClick();
    void LoadByteCode(const QString& fileName);
    // The downloads, and the flash image and bootloader steps they share.
    [[nodiscard]] DownloadRunner& downloads() { return *m_downloads; }
    [[nodiscard]] Bootloader& bootloader() { return m_downloads->bootloader(); }
    // Opens the port again when its device comes back after an unplug.
    [[nodiscard]] PortReconnect& reconnect() { return *m_reconnect; }
    // Opens a new debug window, modally.
    void TestBtnClick();
    // Opens a new script monitor, modally; afterwards the terminal shows the board's text again.
    void OneWireBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void buildToolBar();
    // The port, the link on it, its "record line…" entry and its reconnect after an unplug.
    void setUpPort();
    // The port's state and the last download's result.
    void buildStatusBar();
    // The download runner and what the window shows of a download.
    void setUpDownloads();
    // The file dialogs a job asks through: open (or save) with the dialog's caption.
    DownloadRunner::ChooseFile fileChooser(const QString& title = {});
    DownloadRunner::ChooseFile saveFileChooser(const QString& title);
    QToolButton* addTool(const QString& caption, const QString& iconKind);
    void showHistorySlot(std::uint8_t index, const QString& logPrefix);
    void showPortStatus();

    MainFormEnvironment m_env;
    QString m_settingsPath;   // empty when the file there is no regular file
    QString m_settingsNotice; // why the settings are not used, told when the window shows
    std::unique_ptr<Link> m_link;
    std::unique_ptr<DownloadRunner> m_downloads;
    PortReconnect* m_reconnect = nullptr;
    bool m_shown = false;
    WaitCursor* m_waitCursor = nullptr;
    bool m_logAtStart = false;
    WindowPlacement m_placement;
};
