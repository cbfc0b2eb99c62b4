#include "Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString runFileDialog(QWidget* parent, const QString& initialName, const QString& filter, const QString& defExt,
                      QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(Prompts::qtFilter(filter).split(QStringLiteral(";;")));
    QString suffix = defExt;
    suffix.remove(QLatin1Char('*')).remove(QLatin1Char('.'));
    dialog.setDefaultSuffix(suffix);
    const QFileInfo initial(initialName);
    if (initial.fileName().contains(QLatin1Char('*'))) {
        // A pattern such as "*.Hex": start where the tool was started.
        if (initial.path() != QStringLiteral("."))
            dialog.setDirectory(initial.path());
    } else if (!initialName.isEmpty()) {
        dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

Prompts::OpenFileFn& openFn()
{
    static Prompts::OpenFileFn fn;
    return fn;
}
Prompts::SaveFileFn& saveFn()
{
    static Prompts::SaveFileFn fn;
    return fn;
}
Prompts::MessageFn& messageFn()
{
    static Prompts::MessageFn fn;
    return fn;
}

} // namespace

QString Prompts::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out.join(QStringLiteral(";;"));
}

QString Prompts::openFile(QWidget* parent, const QString& initialName, const QString& filter, const QString& defExt)
{
    if (openFn())
        return openFn()(parent, initialName, filter, defExt);
    return runFileDialog(parent, initialName, filter, defExt, QFileDialog::AcceptOpen);
}

QString Prompts::saveFile(QWidget* parent, const QString& initialName, const QString& filter, const QString& defExt)
{
    if (saveFn())
        return saveFn()(parent, initialName, filter, defExt);
    return runFileDialog(parent, initialName, filter, defExt, QFileDialog::AcceptSave);
}

void Prompts::message(QWidget* parent, const QString& text)
{
    if (messageFn()) {
        messageFn()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void Prompts::setOpenFile(OpenFileFn fn) { openFn() = std::move(fn); }
void Prompts::setSaveFile(SaveFileFn fn) { saveFn() = std::move(fn); }
void Prompts::setMessage(MessageFn fn) { messageFn() = std::move(fn); }

void Prompts::reset()
{
    openFn() = nullptr;
    saveFn() = nullptr;
    messageFn() = nullptr;
}
