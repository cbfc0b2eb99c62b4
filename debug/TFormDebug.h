#pragma once

#include "DebugPoller.h"
#include "WindowPlacement.h"

#include <QDialog>
#include <array>
#include <functional>

class DebugPlotPane;
class Link;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The debug window: the board's push buttons, inputs and outputs as lamps, and up to five
// 1-bit and five 16-bit signals chosen by number, read every 100 ms while polling is on.
// It only reads from the board. The reads themselves live in DebugPoller.
class TFormDebug : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 546;
    static constexpr int DesignHeight = 332;
    static constexpr int LampWidth = 22;
    // The plot pane below the designed controls, when shown.
    static constexpr int PlotHeight = 300;

    TFormDebug(Link& link, QString settingsPath, QWidget* parent = nullptr);
    ~TFormDebug() override;

    // Controls
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* LabelLedT1 = nullptr;
    QLabel* LabelLedT2 = nullptr;
    QLabel* LabelLedT3 = nullptr;
    QLabel* LabelLedT4 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* LabelLedEin1 = nullptr;
    QLabel* LabelLedEin2 = nullptr;
    QLabel* LabelLedEin3 = nullptr;
    QLabel* LabelLedEin4 = nullptr;
    QLabel* LabelLedEin5 = nullptr;
    QLabel* LabelLedEin6 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LabelLedOut1 = nullptr;
    QLabel* LabelLedOut2 = nullptr;
    QLabel* LabelLedOut3 = nullptr;
    QLabel* LabelLedOut4 = nullptr;
    QLabel* LabelLedOut5 = nullptr;
    QLabel* LabelLedOut6 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* Label21 = nullptr;
    QLineEdit* EditBitSig1 = nullptr;
    QLineEdit* EditBitSig2 = nullptr;
    QLineEdit* EditBitSig3 = nullptr;
    QLineEdit* EditBitSig4 = nullptr;
    QLineEdit* EditBitSig5 = nullptr;
    QLabel* LabelLedBS1 = nullptr;
    QLabel* LabelLedBS2 = nullptr;
    QLabel* LabelLedBS3 = nullptr;
    QLabel* LabelLedBS4 = nullptr;
    QLabel* LabelLedBS5 = nullptr;
    QFrame* Panel6 = nullptr;
    QLabel* Label31 = nullptr;
    QLineEdit* EditWordSig1 = nullptr;
    QLineEdit* EditWordSig2 = nullptr;
    QLineEdit* EditWordSig3 = nullptr;
    QLineEdit* EditWordSig4 = nullptr;
    QLineEdit* EditWordSig5 = nullptr;
    QLabel* Label_WS1 = nullptr;
    QLabel* Label_WS2 = nullptr;
    QLabel* Label_WS3 = nullptr;
    QLabel* Label_WS4 = nullptr;
    QLabel* Label_WS5 = nullptr;
    QPushButton* DebugButton = nullptr;
    QTimer* debug_timer = nullptr;
    // Beside the designed controls: shows and hides the plot below them.
    QPushButton* PlotButton = nullptr;
    DebugPlotPane* PlotPane = nullptr;

    bool PollingOn = false;

    // Handlers
    void FormDebug_OnCreate();
    void FormDebug_OnShow();
    void FormDebug_OnDestory();
    void OnTimer();
    void DebugButton_OnClick();
    // True when the typed character may go into the edit: digits only, not even Backspace.
    [[nodiscard]] bool EBitSig1_keyPress(QChar key) const;

    // The lamps in the order buttons 1..4, inputs 1..6, outputs 1..6, then the 1-bit lamps.
    [[nodiscard]] std::array<QLabel*, 21> lamps() const;
    [[nodiscard]] static LampColor lampColor(const QLabel* lamp);
    [[nodiscard]] double scale() const { return m_scale; }
    void setPlotShown(bool on);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public Q_SLOTS:
    void done(int result) override;

private:
    void buildWindow();
    void buildSignalPanels();
    void buildDigitalIO();
    QLabel* makeLamp(QWidget* parent, const QString& caption, int x, int y);
    QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h);
    QLineEdit* makeEdit(QWidget* parent, const QString& name, int x, int y, int w);
    QFrame* makePanel(int x, int y, int w, int h);
    [[nodiscard]] int px(int designPixels) const;
    void stopPolling();

    // The handlers of a poll cycle: lamps and labels as each result comes in.
    [[nodiscard]] DebugPoller::CycleHandlers cycleHandlers();
    void showInvalidEntry();

    Link& m_link;
    DebugPoller m_poller;
    QString m_settingsPath;
    WindowPlacement m_placement;
    double m_scale = 1.0;
    bool m_cycleRunning = false;
    bool m_messageOpen = false;
    std::array<QLineEdit*, DebugPoller::Rows> m_bitEdits{};
    std::array<QLineEdit*, DebugPoller::Rows> m_wordEdits{};
    std::array<QLabel*, DebugPoller::Rows> m_bitLamps{};
    std::array<QLabel*, DebugPoller::Rows> m_wordLabels{};
};

// Shows the window modally; tests replace how it is run so that nothing waits for a click.
int ShowDebugWindow(TFormDebug& form);
using DebugWindowRunner = std::function<int(TFormDebug&)>;
void SetDebugWindowRunner(DebugWindowRunner runner);
