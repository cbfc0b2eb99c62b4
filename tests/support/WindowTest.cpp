#include "WindowTest.h"

#include "Prompts.h"

#include <QFile>

void WindowTest::writeSettings(const QByteArray& text)
{
    QFile f(settingsPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

void WindowTest::show(QWidget& window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

void WindowTest::startTestCase()
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

void WindowTest::startCase()
{
    m_messages.clear();
    m_duringMessage = nullptr;
    m_dialogs.clear();
    m_answer.clear();
    m_duringDialog = nullptr;
    m_link = nullptr;
    QFile::remove(settingsPath());
}

void WindowTest::cleanup()
{
    endCase();
    VELMAR_CHECK_ERRORS(m_errors);
}

void WindowTest::cleanupTestCase() { Prompts::reset(); }
