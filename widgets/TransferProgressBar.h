#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
struct TransferProgress;

// The status-bar view of a running download: a bar over both passes, a line such as
// "flash: block 12 of 496, 5.6 kB/s, 38 s left" and a "Cancel" button. Hidden while no
// download runs.
class TransferProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TransferProgressBar(QWidget* parent = nullptr);

    void begin();
    void setProgress(const TransferProgress& progress);
    void end();

    [[nodiscard]] QString text() const;
    [[nodiscard]] int value() const;
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }

Q_SIGNALS:
    // "Cancel" was clicked (once per download; the button is off afterwards).
    void cancelRequested();

private:
    QProgressBar* m_bar = nullptr;
    QLabel* m_label = nullptr;
    QPushButton* m_cancel = nullptr;
};
