#pragma once

#include "IniFile.h"
#include "Prompts.h"
#include "RichLog.h"
#include "SendGrid.h"
#include "SendListFile.h"
#include "SendListModel.h"
#include "SimPortBackend.h"
#include "TFormOneWire.h"
#include "WindowTest.h"

#include <QLineEdit>
#include <QTest>

// The script monitor on a simulated board, and the ways a user works its grid.
class MonitorWindowTest : public SimWindowTest<TFormOneWire> {
protected:
    void startTestCase() override
    {
        SimWindowTest::startTestCase();
        // Windows closed with a changed list let it go, unless a test answers otherwise.
        Prompts::setAskSave([](QWidget*, const QString&) { return Prompts::SaveChoice::Discard; });
    }
    // The settings file names `port` for the main window, a simulated board of its own.
    void mainWindowPortOnSim(const QString& port)
    {
        TCustomComPort::RegisterBackend(port, [](const QString&) { return std::make_unique<SimPortBackend>(); });
        IniFile ini(settingsPath());
        ini.WriteString("Hauptfenster", "ComPort", port);
        ini.UpdateFile();
    }

    static QPoint cellCenter(TFormOneWire& form, int row, int column)
    {
        return form.StringGrid->visualRect(form.model().index(row, column)).center();
    }
    static QLineEdit* startEditing(TFormOneWire& form, int row, int column)
    {
        const QModelIndex i = form.model().index(row, column);
        form.StringGrid->setCurrentIndex(i);
        form.StringGrid->edit(i);
        // Closed editors linger until they are deleted; the open one is shown.
        for (QLineEdit* e : form.StringGrid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return nullptr;
    }
    static void type(TFormOneWire& form, int row, int column, const QString& text)
    {
        QLineEdit* editor = startEditing(form, row, column);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    static QString shown(TFormOneWire& form, int row, int column)
    {
        return form.model().index(row, column).data().toString();
    }
    static QStringList logLines(TFormOneWire& form) { return form.RichEdit->plainText().split('\n'); }
    static void setRows(TFormOneWire& form, std::initializer_list<const char*> lines)
    {
        form.sendList().clear();
        for (const char* l : lines)
            form.sendList().append(SendListFile::parseLine(l));
        form.model().refresh();
    }
};
