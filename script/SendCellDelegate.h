#pragma once

#include <QStyledItemDelegate>
#include <functional>

// Draws the cells of the send-list grid: the "Senden" cell as a push button, raised or, while
// the mouse holds it, sunken, in the style's own drawing; a blank line of an empty list as
// nothing. Every change in the in-place editor is handed on at once; Escape hands on the text
// from before the edit.
class SendCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

    // The grid line whose button is held down (0: none).
    std::function<int()> pressedLine;
    // Whether a grid line has a row behind it.
    std::function<bool(int line)> hasRow;
    // A cell has been drawn with its text (for the grid trace).
    std::function<void(int column, int line, const QString& text)> drawn;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
};
