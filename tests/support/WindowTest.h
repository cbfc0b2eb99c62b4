#pragma once

#include "ErrorWatch.h"
#include "Link.h"
#include "Prompts.h"
#include "SimRig.h"
#include "VelmarApplication.h"

#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>

// What a window test keeps around its cases: a folder for the settings file, the message
// boxes and file dialogs the windows would show (recorded instead, the file dialogs choose
// m_answer), and what reached the general error handler. A test class derives from it next to
// QObject and calls startTestCase() from initTestCase() and startCase() from init(); a fixture
// built on it extends both under the same names.
class WindowTest {
protected:
    struct FileDialog {
        QString initialName, filter, extension, title;
        bool lineBusy = false; // whether m_link was busy while the dialog was open
    };

    QTemporaryDir m_dir;
    QStringList m_messages;
    std::function<void()> m_duringMessage; // what happens while a message box is open
    ErrorWatch m_errors;                   // what reached the general error handler
    QList<FileDialog> m_dialogs;
    QString m_answer;                     // what the file dialogs choose
    std::function<void()> m_duringDialog; // what happens while a file dialog is open
    const Link* m_link = nullptr;         // the line whose state a file dialog records

    [[nodiscard]] QString settingsPath() const { return m_dir.filePath("Settings.ini"); }
    void writeSettings(const QByteArray& text)
    {
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // Shows a window and waits until it is on the screen.
    static void show(QWidget& window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // The prompts are recorded from here on.
    void startTestCase()
    {
        Prompts::setMessage([this](QWidget*, const QString& text) {
            m_messages << text;
            if (m_duringMessage)
                m_duringMessage();
        });
        const auto dialog = [this](QWidget*, const QString& initial, const QString& filter, const QString& ext) {
            m_dialogs.append({initial, filter, ext, Prompts::lastTitle(), m_link && m_link->busy()});
            if (m_duringDialog)
                m_duringDialog();
            return m_answer;
        };
        Prompts::setOpenFile(dialog);
        Prompts::setSaveFile(dialog);
    }
    // Nothing of the case before: no messages, dialogs or answers, no settings file.
    void startCase()
    {
        m_messages.clear();
        m_duringMessage = nullptr;
        m_dialogs.clear();
        m_answer.clear();
        m_duringDialog = nullptr;
        m_link = nullptr;
        QFile::remove(settingsPath());
    }
};

// A window test on a simulated board that stands still, with the link over it: its
// startCase() makes both afresh for every case.
template <class Form>
class SimWindowTest : public WindowTest {
protected:
    std::unique_ptr<SimRig> m_rig;

    std::unique_ptr<Form> makeForm() { return std::make_unique<Form>(m_rig->link, settingsPath()); }
    SimBoard& board() { return m_rig->board; }
    [[nodiscard]] qsizetype sent() const { return m_rig->board.telegramLog().size(); }

    void startCase()
    {
        m_rig.reset();
        WindowTest::startCase();
        m_rig = std::make_unique<SimRig>();
        board().animate = false;
    }
};

// main() of a window test, as QTEST_MAIN but with the tool's own application object, whose
// general error handler the ErrorWatch listens to.
#define VELMAR_WINDOW_TEST_MAIN(TestClass)                                                                             \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        VelmarApplication app(argc, argv);                                                                             \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
