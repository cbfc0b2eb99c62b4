#pragma once

#include <QTableView>
#include <functional>

// The send-list grid: a table view that hands its mouse presses and releases, typed keys and
// cell changes to the script monitor's handlers.
class SendGrid : public QTableView {
    Q_OBJECT
public:
    explicit SendGrid(QWidget* parent = nullptr);

    std::function<void(const QPoint& pos)> mouseDown;
    std::function<void(const QPoint& pos)> mouseUp;
    // Returns false when the key is to be discarded.
    std::function<bool(QChar key)> keyPress;
    std::function<void(const QModelIndex& current)> selectCell;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};
