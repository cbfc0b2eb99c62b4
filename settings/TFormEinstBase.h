#pragma once

#include "StepReporter.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class Link;
class RichLog;

// What the four settings dialogs share: the yellow step log, "clear window", the
// "Debug Telegramm" box that switches the link's telegram echo, and the step reports over
// the link. A dialog is made per showing; nothing carries over from one to the next.
class TFormEinstBase : public QDialog {
    Q_OBJECT
public:
    // `owner` is the main window; the dialog reaches the board only through `link`.
    TFormEinstBase(Link& link, QWidget* owner);

    RichLog* RichEdit = nullptr;
    QPushButton* BrClear = nullptr;
    QCheckBox* CBDebugTelegram = nullptr;
    QLabel* LabelDebugTelegram = nullptr;

    // On show: clears the log and sets yellow; the dialogs that read on show do so here.
    virtual void MainFormShow();
    void ONClick_ClearWindow();
    void CBDebugTelegram_OnClick();

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

    Link& m_link;

private:
    StepReporter m_steps;

private:
    bool m_shownOnce = false;
};
