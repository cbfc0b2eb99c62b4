#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
struct TransferProgress;

// The status-bar view of a running download: a bar over both passes and a line such as
// "flash: block 12 of 496, 5.6 kB/s, 38 s left". Hidden while no download runs.
class TransferProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TransferProgressBar(QWidget* parent = nullptr);

    void begin();
    void setProgress(const TransferProgress& progress);
    void end();

    [[nodiscard]] QString text() const;
    [[nodiscard]] int value() const;

private:
    QProgressBar* m_bar = nullptr;
    QLabel* m_label = nullptr;
};
