#include "Prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

// The tool's name on its message boxes. The application has no display name, which the
// platform would append to the caption of every window.
const QString BoxTitle = QStringLiteral("Velmar");

QString runFileDialog(QWidget* parent, const QString& initialName, const QString& filter, const QString& defExt,
                      QFileDialog::AcceptMode mode, const QString& title)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    Prompts::prepareFileDialog(dialog, initialName, filter, defExt, title);
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

Prompts::AskSaveFn& askSaveFn()
{
    static Prompts::AskSaveFn fn;
    return fn;
}

// The box message() shows at the moment.
QPointer<QMessageBox>& openBox()
{
    static QPointer<QMessageBox> box;
    return box;
}

QString& lastTitleText()
{
    static QString title;
    return title;
}

// The folder of the file chosen last, where a dialog for a bare pattern starts.
QString& lastFolder()
{
    static QString folder;
    return folder;
}

QString remembered(const QString& chosen)
{
    if (!chosen.isEmpty())
        lastFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

} // namespace

QString Prompts::qtFilter(const QString& filter)
{
    // Pairs of a description and its patterns; Qt matches what stands in the description's
    // parentheses, so those are written from the pattern part. "*.*" means every file, also
    // one without a dot, which for Qt is "*".
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const qsizetype open = name.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && name.trimmed().endsWith(QLatin1Char(')')))
            name.truncate(open);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QStringLiteral("*.*"))
                p = QStringLiteral("*");
        }
        out << name.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

void Prompts::prepareFileDialog(QFileDialog& dialog, const QString& initialName, const QString& filter,
                                const QString& defExt, const QString& title)
{
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    QStringList filters = qtFilter(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    QString suffix = defExt;
    suffix.remove(QLatin1Char('*')).remove(QLatin1Char('.'));
    dialog.setDefaultSuffix(suffix);
    const QFileInfo initial(initialName);
    const QString name = initial.fileName();
    if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) {
        dialog.setNameFilters(filters);
        if (!initialName.isEmpty()) {
            dialog.setDirectory(initial.absolutePath());
            dialog.selectFile(name);
        }
        return;
    }
    // A pattern such as "*.Hex": the dialog starts in the pattern's own folder, else in the
    // folder a file was last chosen from, and shows what the pattern matches.
    const QString folder = initialName.contains(QLatin1Char('/')) ? initial.path() : lastFolder();
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    const QString own = name + QStringLiteral(" (") + name + QLatin1Char(')');
    qsizetype match = -1;
    for (qsizetype i = 0; i < filters.size() && match < 0; ++i) {
        const qsizetype open = filters[i].lastIndexOf(QLatin1Char('('));
        const QStringList patterns = filters[i].mid(open + 1).chopped(1).split(QLatin1Char(' '));
        if (patterns.contains(name, Qt::CaseInsensitive))
            match = i;
    }
    if (match < 0) {
        filters.prepend(own);
        match = 0;
    }
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters[match]);
}

QString Prompts::openFile(QWidget* parent, const QString& initialName, const QString& filter, const QString& defExt,
                          const QString& title)
{
    lastTitleText() = title;
    if (openFn())
        return remembered(openFn()(parent, initialName, filter, defExt));
    return remembered(runFileDialog(parent, initialName, filter, defExt, QFileDialog::AcceptOpen, title));
}

QString Prompts::saveFile(QWidget* parent, const QString& initialName, const QString& filter, const QString& defExt,
                          const QString& title)
{
    lastTitleText() = title;
    if (saveFn())
        return remembered(saveFn()(parent, initialName, filter, defExt));
    return remembered(runFileDialog(parent, initialName, filter, defExt, QFileDialog::AcceptSave, title));
}

QString Prompts::lastTitle() { return lastTitleText(); }

void Prompts::message(QWidget* parent, const QString& text)
{
    if (messageFn()) {
        messageFn()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, BoxTitle, text, QMessageBox::Ok, parent);
    const QPointer<QMessageBox> outer = openBox();
    openBox() = &box;
    box.exec();
    openBox() = outer;
}

Prompts::SaveChoice Prompts::askSave(QWidget* parent, const QString& text)
{
    if (askSaveFn())
        return askSaveFn()(parent, text);
    QMessageBox box(QMessageBox::Question, BoxTitle, text, QMessageBox::NoButton, parent);
    QPushButton* save = box.addButton(QStringLiteral("Speichern"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QMessageBox::Discard);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save)
        return SaveChoice::Save;
    if (box.clickedButton() == discard)
        return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

void Prompts::updateMessage(const QString& text)
{
    if (openBox())
        openBox()->setText(text);
}

void Prompts::setOpenFile(OpenFileFn fn) { openFn() = std::move(fn); }
void Prompts::setSaveFile(SaveFileFn fn) { saveFn() = std::move(fn); }
void Prompts::setMessage(MessageFn fn) { messageFn() = std::move(fn); }
void Prompts::setAskSave(AskSaveFn fn) { askSaveFn() = std::move(fn); }

void Prompts::reset()
{
    openFn() = nullptr;
    saveFn() = nullptr;
    messageFn() = nullptr;
    askSaveFn() = nullptr;
}
