#pragma once

#include "MeasurementLogFile.h"
#include "ScriptState.h"
#include "SendList.h"
#include "WindowPlacement.h"

#include <QDialog>
#include <QModelIndex>
#include <functional>
#include <memory>

class AutoSender;
class Link;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class RichLog;
class ScriptInterpreter;
class SendCellDelegate;
class SendGrid;
class SendListModel;

// The script monitor: a send list of device commands edited in a grid, stored as a
// semicolon-separated file, run row by row from its "Senden" cells or in a loop by auto send,
// with a log window and a measurement log file. The list, the interpreter and auto send are
// the window's core objects; the window forwards its handlers to them and hosts the timer.
class TFormOneWire : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 780;
    static constexpr int DesignHeight = 640;
    static inline const QString FileFilter = QStringLiteral("CAN-Log (*.csv)|*.csv|Alle Dateien (*.*)|*.*");

    // `link` is the main window's; the settings are read now and written when the window goes.
    TFormOneWire(Link& link, QString settingsPath, QWidget* parent = nullptr);
    ~TFormOneWire() override;

    // Controls
    RichLog* RichEdit = nullptr;
    QPushButton* ClearBtn = nullptr;
    QLabel* LogLabel = nullptr;
    QLineEdit* LogEdit = nullptr;
    SendGrid* StringGrid = nullptr;
    QPushButton* HinzufuegenBtn = nullptr;
    QPushButton* EntfernenBtn = nullptr;
    QPushButton* ListeLeerenBtn = nullptr;
    QPushButton* LadenBtn = nullptr;
    QPushButton* SpeichernBtn = nullptr;
    QPushButton* btSenden = nullptr;
    QCheckBox* DebugTCB = nullptr;
    QCheckBox* DebugGCB = nullptr;
    QCheckBox* CBDebugTelegram = nullptr;
    QTimer* Timer1 = nullptr;

    // State
    int PressedRow = 0; // grid line whose "Senden" cell is held down, 0 for none
    QString LogFileName;
    QString ScriptFileName;
    [[nodiscard]] bool LogOpen() const { return m_logFile.isOpen(); }

    // The core objects
    [[nodiscard]] SendList& sendList() { return m_list; }
    [[nodiscard]] ScriptState& state() { return m_state; }
    [[nodiscard]] ScriptInterpreter& interpreter() { return *m_interpreter; }
    [[nodiscard]] AutoSender& autoSender() { return *m_autoSender; }
    [[nodiscard]] SendListModel& model() { return *m_model; }
    // The list differs from what was last loaded or saved (or from the new list of a new window).
    [[nodiscard]] bool listChanged() const;
    // Grid lines including the header.
    [[nodiscard]] int lineCount() const;
    [[nodiscard]] double scale() const { return m_scale; }

    // Handlers
    void MainFormCreate();
    void MainFormShow();
    void MainFormDestroy();
    void HinzufuegenBtnClick();
    void EntfernenBtnClick();
    void ListeLeerenBtnClick();
    void LadenBtnClick();
    void SpeichernBtnClick();
    void btSendenClick();
    void ClearBtnClick();
    void LogEditClick();
    void CBDebugTelegram_OnClick();
    void timerStart();
    QString StringGridGetEditText(int column, int line);
    void StringGridSetEditText(int column, int line, const QString& text);
    void StringGridSelectCell(int column, int line);
    // False when the key is discarded.
    bool StringGridKeyPress(QChar key);
    void StringGridMouseDown(const QPoint& pos);
    void StringGridMouseUp(const QPoint& pos);
    void StringGridDrawCell(int column, int line, const QString& text);
    // Runs a row once, unless one is running already (refused in the log).
    void ExecuteRow(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void done(int result) override;

private:
    void buildWindow();
    // The rows of the window under the log, above and under the grid.
    [[nodiscard]] QHBoxLayout* buildLogRow();
    [[nodiscard]] QHBoxLayout* buildListButtons();
    [[nodiscard]] QHBoxLayout* buildDebugBoxes();
    void buildGrid();
    void connectHandlers();
    [[nodiscard]] int px(int designPixels) const;
    [[nodiscard]] int currentLine() const;
    void trace(const QString& text);
    void showAutoSend(bool running);
    void markSaved();
    // Asks about unsaved changes before the window closes; false keeps it open.
    [[nodiscard]] bool mayClose();

    Link& m_link;
    QString m_settingsPath;
    WindowPlacement m_placement;
    double m_scale = 1.0;
    SendList m_list;
    ScriptState m_state;
    MeasurementLogFile m_logFile;
    std::unique_ptr<ScriptInterpreter> m_interpreter;
    std::unique_ptr<AutoSender> m_autoSender;
    SendListModel* m_model = nullptr;
    SendCellDelegate* m_delegate = nullptr;
    QModelIndex m_pressedIndex;
    bool m_shown = false;
    QByteArray m_saved; // the list as its file holds it, when last loaded or saved
};

// Shows the window modally; tests replace how it is run so that nothing waits for a click.
int ShowScriptMonitor(TFormOneWire& form);
using ScriptMonitorRunner = std::function<int(TFormOneWire&)>;
void SetScriptMonitorRunner(ScriptMonitorRunner runner);
