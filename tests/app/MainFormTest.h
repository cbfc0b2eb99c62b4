#pragma once

#include "SimBoard.h"
#include "SimPortBackend.h"
#include "StubPortBackend.h"
#include "TMainForm.h"
#include "WindowTest.h"

#include <QDateTime>
#include <cerrno>

// The main window on the ports its tests name in the settings file: "STUBA" and "STUBB" are
// stub ports (m_stub is the one opened last), "SIMBOARD" is m_board, "DEADPORT" cannot open.
class MainFormTest : public WindowTest {
protected:
    StubPortBackend* m_stub = nullptr;
    SimBoard m_board;

    void startTestCase() override
    {
        WindowTest::startTestCase();
        for (const char* name : {"STUBA", "STUBB"})
            TCustomComPort::RegisterBackend(name, [this](const QString&) {
                auto b = std::make_unique<StubPortBackend>();
                m_stub = b.get();
                return b;
            });
        TCustomComPort::RegisterBackend("SIMBOARD",
                                        [this](const QString&) { return std::make_unique<SimPortBackend>(&m_board); });
        TCustomComPort::RegisterBackend("DEADPORT", [](const QString&) {
            auto b = std::make_unique<StubPortBackend>();
            b->openError = ENOENT;
            return b;
        });
    }
    void startCase() override
    {
        WindowTest::startCase();
        m_stub = nullptr;
    }
    std::unique_ptr<TMainForm> makeForm(std::function<QDateTime()> clock = {})
    {
        return std::make_unique<TMainForm>(MainFormEnvironment{settingsPath(), std::move(clock)});
    }
    // The window on these settings, shown.
    std::unique_ptr<TMainForm> shownWith(const QByteArray& settings, std::function<QDateTime()> clock = {})
    {
        writeSettings(settings);
        auto form = makeForm(std::move(clock));
        show(*form);
        return form;
    }
    // The errors' own texts, without the reason and hint below them.
    static QStringList firstLines(const QStringList& texts)
    {
        QStringList lines;
        for (const QString& t : texts)
            lines << t.section('\n', 0, 0);
        return lines;
    }
};
