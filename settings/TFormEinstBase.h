#pragma once

#include "BaseBoardConfig.h"
#include "StepReporter.h"

#include <QDialog>
#include <initializer_list>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class Link;
class RichLog;

// What the four settings dialogs share: the yellow step log, "clear window", the
// "Debug Telegramm" box that switches the link's telegram echo, the two reset-counter
// buttons, and the step reports over the link. A dialog is made per showing; nothing carries
// over from one to the next.
class TFormEinstBase : public QDialog {
    Q_OBJECT
public:
    // `owner` is the main window; the dialog reaches the board only through `link`.
    TFormEinstBase(Link& link, QWidget* owner);

    RichLog* RichEdit = nullptr;
    QPushButton* BrClear = nullptr;
    QCheckBox* CBDebugTelegram = nullptr;
    QLabel* LabelDebugTelegram = nullptr;
    // Bound to ONClickReadReset and ONClickResetCounter here, for every dialog.
    QPushButton* BrReadResetCounter = nullptr;
    QPushButton* BtResetCounter = nullptr;

    // On show: clears the log and sets yellow; the dialogs that read on show do so here.
    virtual void MainFormShow();
    void ONClick_ClearWindow();
    void CBDebugTelegram_OnClick();
    // The reset counters as every dialog reads and clears them (refused while the line is busy).
    void ONClickReadReset();
    void ONClickResetCounter();

    [[nodiscard]] StepReporter& steps() { return m_steps; }

protected:
    void showEvent(QShowEvent* event) override;
    // Pixels of the original 120-dpi layout on this screen.
    [[nodiscard]] int px(int designPixels) const;
    void setDesignSize(int width, int height);
    // The "Debug Telegramm" box with its label beside it.
    [[nodiscard]] QLayout* debugTelegramRow();
    // A bare box with its text in a label to its right.
    static QLayout* boxWithLabel(QWidget* box, QLabel* label);
    // A push button that the Enter key does not press.
    QPushButton* makeButton(const char* name, const QString& text);
    // A group box with a light background; its caption stays on the dialog's background.
    QGroupBox* makeLightBox(const char* name, const QString& title);
    // A radio button or check box in `box`, with its text in a label beside it.
    static QRadioButton* addRadio(QGroupBox* box, QBoxLayout* layout, QButtonGroup* group, const char* name,
                                  const QString& text);
    static QCheckBox* addCheck(QGroupBox* box, QBoxLayout* layout, const char* name, const QString& text);
    // A row of the widgets, left-aligned (the reset-counter buttons and "clear window").
    static QLayout* buttonRow(std::initializer_list<QWidget*> widgets);

    // The four LCD choices of the base board and the CPU board.
    struct LcdChoices {
        QRadioButton* off = nullptr;
        QRadioButton* onBoard = nullptr;
        QRadioButton* onI2C = nullptr;
        QRadioButton* onRS232 = nullptr;
        [[nodiscard]] BaseBoardConfig::Lcd selected() const;
        void show(BaseBoardConfig::Lcd lcd) const;
    };
    // Adds them to `box` with "LCD disabled" selected.
    static LcdChoices addLcdChoices(QGroupBox* box, QBoxLayout* layout);

    Link& m_link;

private:
    StepReporter m_steps;
    bool m_shownOnce = false;
};
