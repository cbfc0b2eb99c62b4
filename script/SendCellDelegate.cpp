#include "SendCellDelegate.h"

#include "SendRow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace {
const char* const EditorStarted = "velmarEditorStarted";
const char* const TextBefore = "velmarTextBefore";
const char* const Typed = "velmarTyped";
} // namespace

void SendCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int line = index.row() + 1;
    if (hasRow && !hasRow(line)) {
        // The blank line of an empty list: no text, no focus frame.
        painter->fillRect(option.rect, option.palette.base());
        return;
    }
    if (index.column() != SendColumn::Send) {
        if (drawn)
            drawn(index.column(), line, index.data(Qt::DisplayRole).toString());
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOptionButton button;
    button.rect = option.rect;
    button.palette = option.palette;
    button.fontMetrics = option.fontMetrics;
    button.text = QStringLiteral("Senden");
    button.state = QStyle::State_Enabled;
    const bool pressed = pressedLine && pressedLine() == line;
    button.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
}

QWidget* SendCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        // The file separates its fields with ";", which no mnemonic holds.
        if (index.column() == SendColumn::Cmd)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^;]*")), edit));
        auto* self = const_cast<SendCellDelegate*>(this);
        connect(edit, &QLineEdit::textEdited, self, [self, edit] {
            edit->setProperty(Typed, true);
            Q_EMIT self->commitData(edit);
        });
    }
    return editor;
}

void SendCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // The editor starts with the cell's text; what is typed afterwards is stored as it comes
    // and must not be replaced by its shown form while typing ("$1" would become "$01").
    if (editor->property(EditorStarted).toBool())
        return;
    editor->setProperty(EditorStarted, true);
    QStyledItemDelegate::setEditorData(editor, index);
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        edit->setProperty(TextBefore, edit->text());
}

bool SendCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    // What was typed is stored as it comes, so Escape has to store the old text again (through
    // the same path as typing) before the editor closes.
    auto* edit = qobject_cast<QLineEdit*>(object);
    if (edit && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        edit->property(Typed).toBool()) {
        edit->setText(edit->property(TextBefore).toString());
        edit->setProperty(Typed, false);
        Q_EMIT commitData(edit);
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
