#include "SendGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>

SendGrid::SendGrid(QWidget* parent) : QTableView(parent) {}

void SendGrid::mousePressEvent(QMouseEvent* event)
{
    QTableView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && mouseDown)
        mouseDown(event->position().toPoint());
}

void SendGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && mouseUp)
        mouseUp(event->position().toPoint());
}

void SendGrid::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && text[0].isPrint() && keyPress && !keyPress(text[0])) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void SendGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (selectCell && current.isValid())
        selectCell(current);
}
