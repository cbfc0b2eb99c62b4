#pragma once

#include "ErrorWatch.h"
#include "Link.h"
#include "SimRig.h"
#include "VelmarApplication.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>

// The base of a window test: a folder for the settings file, the message boxes and file
// dialogs the windows would show (recorded instead, the file dialogs choose m_answer), and what
// reached the general error handler, which every case's cleanup checks. A fixture or a test
// adds to startTestCase(), startCase() and endCase() by overriding them.
class WindowTest : public QObject {
    Q_OBJECT

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
    void writeSettings(const QByteArray& text);
    // Shows a window and waits until it is on the screen.
    static void show(QWidget& window);

    // Before the first case: the prompts are recorded from here on.
    virtual void startTestCase();
    // Before each case: no messages, dialogs or answers, no settings file of the case before.
    virtual void startCase();
    // After each case, before its errors are checked.
    virtual void endCase() {}

private Q_SLOTS:
    void initTestCase() { startTestCase(); }
    void init() { startCase(); }
    void cleanup();
    // The prompts are the tool's own again.
    void cleanupTestCase();
};

// A window test on a simulated board that stands still, with the link over it, both made
// afresh for every case.
template <class Form>
class SimWindowTest : public WindowTest {
protected:
    std::unique_ptr<SimRig> m_rig;

    std::unique_ptr<Form> makeForm() { return std::make_unique<Form>(m_rig->link, settingsPath()); }
    SimBoard& board() { return m_rig->board; }
    [[nodiscard]] qsizetype sent() const { return m_rig->board.telegramLog().size(); }

    void startCase() override
    {
        WindowTest::startCase();
        m_rig = std::make_unique<SimRig>();
        board().animate = false;
    }
    void endCase() override { m_rig.reset(); }
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
