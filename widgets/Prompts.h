#pragma once

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

// The modal windows the tool opens on its own: file dialogs and message boxes. Tests replace
// them so that nothing ever waits for a click.
class Prompts {
public:
    // `filter` in the form "Hex File (*.hex)|*.hex|all files (*.*)|*.*"; returns the chosen
    // file, or an empty text when the user cancelled.
    using OpenFileFn = std::function<QString(QWidget* parent, const QString& initialName, const QString& filter,
                                             const QString& defaultExtension)>;
    using SaveFileFn = OpenFileFn;
    using MessageFn = std::function<void(QWidget* parent, const QString& text)>;
    // The answer to "save the changes?".
    enum class SaveChoice { Save, Discard, Cancel };
    using AskSaveFn = std::function<SaveChoice(QWidget* parent, const QString& text)>;

    // `title`: the dialog's caption; empty leaves the toolkit's own.
    static QString openFile(QWidget* parent, const QString& initialName, const QString& filter,
                            const QString& defaultExtension, const QString& title = {});
    static QString saveFile(QWidget* parent, const QString& initialName, const QString& filter,
                            const QString& defaultExtension, const QString& title = {});
    static void message(QWidget* parent, const QString& text);
    // Asks whether to save changes before they would be lost: "Speichern", discard, cancel.
    static SaveChoice askSave(QWidget* parent, const QString& text);
    // Changes the text of the message box that message() has open, if any.
    static void updateMessage(const QString& text);

    static void setOpenFile(OpenFileFn fn);
    static void setSaveFile(SaveFileFn fn);
    static void setMessage(MessageFn fn);
    static void setAskSave(AskSaveFn fn);
    // The caption of the file dialog asked for last (for tests that replace the dialogs).
    static QString lastTitle();
    // Back to the real dialogs.
    static void reset();

    // "A (*.a)|*.a|B (*.*)|*.*" in the form Qt's dialogs take.
    static QString qtFilter(const QString& filter);
    // Sets up `dialog` the way openFile and saveFile show it: caption (if any), filters, default
    // suffix, and the folder and file it starts on.
    static void prepareFileDialog(QFileDialog& dialog, const QString& initialName, const QString& filter,
                                  const QString& defaultExtension, const QString& title = {});
};
