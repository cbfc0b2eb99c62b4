// The script monitor as a user meets it: its design, editing the grid, the list and log files,
// its settings, and its place under the main window.
#include "FileBytes.h"
#include "MonitorWindowTest.h"
#include "ScriptInterpreter.h"
#include "TMainForm.h"
#include "VelmarError.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestFormOneWire : public MonitorWindowTest {
    Q_OBJECT

private Q_SLOTS:
    void windowAsDesigned()
    {
        auto form = makeForm();
        const double s = form->scale();
        QCOMPARE(form->windowTitle(), QString("script monitor"));
        // A first start: at the top left, in its design size, one empty row.
        QCOMPARE(form->pos(), QPoint(0, 0));
        QCOMPARE(form->size(), QSize(qRound(780 * s), qRound(640 * s)));
        QCOMPARE(form->LogFileName, QString("c:\\"));
        QCOMPARE(form->ScriptFileName, QString("c:\\"));
        QCOMPARE(form->lineCount(), 2);
        QCOMPARE(form->sendList().size(), 1);
        QCOMPARE(form->model().columnCount(), 12);
        QStringList headers;
        for (int c = 0; c < 12; ++c)
            headers << form->model().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headers,
                 (QStringList{"CMD", "D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7", "Delay", "Senden", "Comment"}));
        QCOMPARE(form->StringGrid->columnWidth(0), qRound(50 * s));
        QCOMPARE(form->StringGrid->columnWidth(1), qRound(30 * s));
        QCOMPARE(form->StringGrid->columnWidth(8), qRound(30 * s));
        QCOMPARE(form->StringGrid->columnWidth(9), qRound(60 * s));
        QCOMPARE(form->StringGrid->columnWidth(10), qRound(60 * s));
        QVERIFY(form->StringGrid->verticalHeader()->isHidden());
        QCOMPARE(form->btSenden->text(), QString("Auto Senden"));
        QCOMPARE(form->DebugGCB->text(), QString("Debug Grid "));
        QCOMPARE(form->Timer1->interval(), 100);
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(shown(*form, 0, 10), QString("Senden"));
        show(*form);
        QCOMPARE(form->RichEdit->color(), LogColors::Yellow);
        QVERIFY(!form->LogOpen());
        QVERIFY(!form->state().AutoSend);
    }

    void gridEditing()
    {
        auto form = makeForm();
        show(*form);
        type(*form, 0, 0, "EEPW");
        type(*form, 0, 1, "$ff");
        type(*form, 0, 2, "300");
        type(*form, 0, 3, " $12x ");
        type(*form, 0, 4, "0x10");
        type(*form, 0, 5, "b101");
        type(*form, 0, 9, "$12C");
        type(*form, 0, 11, "erste; Zeile");
        const SendRow& row = form->sendList().at(0);
        QCOMPARE(row.CMD, QString("EEPW"));
        QCOMPARE(int(row.data[0]), 255);
        QCOMPARE(row.notation[0], CellNotation::Hex);
        QCOMPARE(int(row.data[1]), 44);
        QCOMPARE(int(row.data[2]), 0x12);
        QCOMPARE(row.notation[2], CellNotation::Empty);
        QCOMPARE(row.notation[3], CellNotation::Empty);
        QCOMPARE(int(row.delay), 300);
        QCOMPARE(row.Comment, QString("erste; Zeile"));
        const QStringList cells{shown(*form, 0, 1), shown(*form, 0, 2), shown(*form, 0, 3),
                                shown(*form, 0, 4), shown(*form, 0, 5), shown(*form, 0, 9)};
        QCOMPARE(cells, (QStringList{"$FF", "44", "", "", "b101", "$12C"}));
        // The editor starts with the cell's text and keeps what is typed as it is typed.
        QLineEdit* editor = startEditing(*form, 0, 1);
        QVERIFY(editor);
        QCOMPARE(editor->text(), QString("$FF"));
        editor->selectAll();
        QTest::keyClicks(editor, "$1");
        QCOMPARE(editor->text(), QString("$1")); // stored at once, not replaced by "$01"
        QCOMPARE(int(form->sendList().at(0).data[0]), 1);
        // Escape brings back the text from before, stored again as if typed.
        form->DebugGCB->setChecked(true);
        form->RichEdit->clear();
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(int(form->sendList().at(0).data[0]), 255);
        QCOMPARE(form->sendList().at(0).notation[0], CellNotation::Hex);
        QCOMPARE(shown(*form, 0, 1), QString("$FF"));
        QVERIFY(logLines(*form).contains("StrGridSetEditText 0 = 255 2"));
        form->DebugGCB->setChecked(false);
        // Opened and left with Escape untouched, a cell keeps even a value it does not show.
        editor = startEditing(*form, 0, 3);
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(int(form->sendList().at(0).data[2]), 0x12);

        // The separator of the file never goes into a command, typed or pasted.
        type(*form, 0, 0, "EE;PW;");
        QCOMPARE(form->sendList().at(0).CMD, QString("EEPW"));
        editor = startEditing(*form, 0, 0);
        QVERIFY(editor);
        editor->insert("A;B");
        QCOMPARE(editor->text(), QString("EEPW"));
        QTest::keyClick(editor, Qt::Key_Return);
        type(*form, 0, 11, "a;b");
        QCOMPARE(form->sendList().at(0).Comment, QString("a;b"));

        // The button column is never edited.
        form->StringGrid->setCurrentIndex(form->model().index(0, 10));
        QCOMPARE(form->StringGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!(form->model().flags(form->model().index(0, 10)) & Qt::ItemIsEditable));
        form->StringGrid->setCurrentIndex(form->model().index(0, 2));
        QVERIFY(form->StringGrid->editTriggers() != QAbstractItemView::NoEditTriggers);
    }

    void gridTraces()
    {
        auto form = makeForm();
        show(*form);
        form->DebugGCB->setChecked(true);
        form->RichEdit->clear();
        form->StringGridSetEditText(2, 1, "$1F");
        form->StringGridGetEditText(2, 1);
        form->StringGridSelectCell(2, 1);
        form->StringGridKeyPress('a');
        form->StringGridMouseDown({1, 1});
        form->StringGridDrawCell(2, 1, "$1F");
        QCOMPARE(logLines(*form),
                 (QStringList{"StrGridSetEditText 1 = 31 2", "StrGridEditText: 0 = $1F", "StrGridSelectCell",
                              "StrGridKeyPress", "StrGridMouseDown", "StrGridDrawCell:1 = $1F "}));
        // Painting reports every data cell it draws.
        form->RichEdit->clear();
        form->StringGrid->viewport()->repaint();
        QVERIFY(form->RichEdit->plainText().contains("StrGridDrawCell:1 = $1F "));
        form->DebugGCB->setChecked(false);
        form->RichEdit->clear();
        form->StringGridSetEditText(2, 1, "1");
        QVERIFY(form->RichEdit->plainText().isEmpty());
    }

    void listButtons()
    {
        auto form = makeForm();
        show(*form);
        form->HinzufuegenBtn->click();
        form->HinzufuegenBtn->click();
        QCOMPARE(form->lineCount(), 4);
        form->sendList().at(1).CMD = "second";
        form->StringGrid->setCurrentIndex(form->model().index(0, 0));
        form->EntfernenBtn->click();
        QCOMPARE(form->sendList().size(), 2);
        QCOMPARE(form->sendList().at(0).CMD, QString("second"));
        form->EntfernenBtn->click();
        form->EntfernenBtn->click();
        // The last row removed leaves one new empty row.
        QCOMPARE(form->sendList().size(), 1);
        QCOMPARE(form->lineCount(), 2);

        form->ListeLeerenBtn->click();
        QVERIFY(form->sendList().empty());
        QCOMPARE(form->lineCount(), 2);
        QCOMPARE(form->model().rowCount(), 1);
        QVERIFY(!(form->model().flags(form->model().index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(shown(*form, 0, 10), QString());
        // Keys on the blank line go nowhere; "Entfernen" there does nothing.
        form->StringGrid->setFocus();
        QTest::keyClicks(form->StringGrid, "ab");
        QVERIFY(form->sendList().empty());
        QVERIFY(!form->StringGridKeyPress('a'));
        form->EntfernenBtn->click();
        QVERIFY(form->sendList().empty());
        form->HinzufuegenBtn->click();
        QCOMPARE(form->lineCount(), 2);
        QVERIFY(form->StringGridKeyPress(' '));
    }

    void escapeNeverClosesAndAnUnsavedListAsks()
    {
        using C = Prompts::SaveChoice;
        struct Case {
            bool change;
            C answer;
            const char* saveAs; // what the save dialog chooses; empty: cancelled
            bool closes, asks;
        } cases[] = {
            {false, C::Cancel, "", true, false},      {true, C::Cancel, "", false, true},
            {true, C::Discard, "", true, true},       {true, C::Save, "", false, true},
            {true, C::Save, "saved.csv", true, true},
        };
        int asked = 0;
        C answer = C::Cancel;
        Prompts::setAskSave([&](QWidget*, const QString&) {
            ++asked;
            return answer;
        });
        for (const Case& c : cases) {
            auto form = makeForm();
            show(*form);
            if (c.change)
                type(*form, 0, 0, "ACK");
            QTest::keyClick(form.get(), Qt::Key_Escape);
            QTest::keyClick(form->StringGrid, Qt::Key_Escape);
            QVERIFY(form->isVisible());
            asked = 0;
            answer = c.answer;
            m_answer = *c.saveAs ? m_dir.filePath(c.saveAs) : QString();
            QCOMPARE(form->close(), c.closes);
            QCOMPARE(asked, c.asks ? 1 : 0);
            QCOMPARE(form->isVisible(), !c.closes);
            if (*c.saveAs)
                QVERIFY(FileBytes(m_answer).endsWith("ACK;;;;;;;;;;\r\n"));
        }

        // The main window quitting closes the monitor first, which asks as well.
        mainWindowPortOnSim("SIMQUIT");
        TMainForm main(MainFormEnvironment{settingsPath(), {}});
        main.show();
        bool mainClosed = true;
        SetScriptMonitorRunner([&](TFormOneWire& form) {
            form.show();
            type(form, 0, 0, "ACK");
            answer = C::Cancel;
            mainClosed = main.close();
            [&] { QVERIFY(form.isVisible()); }();
            answer = C::Discard;
            return 0;
        });
        asked = 0;
        main.OneWireBtn->click();
        SetScriptMonitorRunner([](TFormOneWire& form) { return form.exec(); });
        QVERIFY(!mainClosed);
        QCOMPARE(asked, 1);
        QVERIFY(main.isVisible());
        Prompts::setAskSave([](QWidget*, const QString&) { return Prompts::SaveChoice::Discard; });
        main.close();
        TCustomComPort::UnregisterBackend("SIMQUIT");
    }

    void settingsWrittenAndReadBack()
    {
        {
            IniFile ini(settingsPath());
            ini.WriteString("Debugger", "XPos", "5");
            ini.UpdateFile();
        }
        {
            auto form = makeForm();
            form->move(40, 30);
            form->resize(700, 500);
            form->LogFileName = "/tmp/messung.csv";
            form->ScriptFileName = "/tmp/liste.csv";
        }
        const IniFile ini(settingsPath());
        QCOMPARE(ini.ReadInteger("OneWire", "XPos", -1), 40);
        QCOMPARE(ini.ReadInteger("OneWire", "Breite", -1), 700);
        QCOMPARE(ini.ReadInteger("OneWire", "Hoehe", -1), 500);
        QCOMPARE(ini.ReadString("OneWire", "LogFile", {}), QString("/tmp/messung.csv"));
        QCOMPARE(ini.ReadString("Debugger", "XPos", {}), QString("5"));
        {
            auto form = makeForm();
            QCOMPARE(form->pos(), QPoint(40, 30));
            QCOMPARE(form->size(), QSize(700, 500));
            QCOMPARE(form->ScriptFileName, QString("/tmp/liste.csv"));
        }
        // Keys in any case; a width or height of 0 means that dimension's design size, the other
        // stored one stays.
        writeSettings("[ONEWIRE]\nxpos=7\nbreite=0\nHOEHE=500\nlogfile=/tmp/x.csv\n");
        {
            auto form = makeForm();
            QCOMPARE(form->x(), 7);
            QCOMPARE(form->size(), QSize(qRound(780 * form->scale()), 500));
            QCOMPARE(form->LogFileName, QString("/tmp/x.csv"));
        }
        writeSettings("[OneWire]\nBreite=700\nHoehe=0\n");
        {
            auto form = makeForm();
            QCOMPARE(form->size(), QSize(700, qRound(640 * form->scale())));
        }

        // Stored on a larger screen: the window opens within this one, and what is stored
        // stays as long as the window is not moved.
        writeSettings("[OneWire]\nXPos=3000\nYPos=2000\nBreite=2500\nHoehe=1400\n");
        {
            auto form = makeForm();
            const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(available.contains(form->geometry()));
        }
        const IniFile kept(settingsPath());
        QCOMPARE(kept.ReadInteger("OneWire", "XPos", -1), 3000);
        QCOMPARE(kept.ReadInteger("OneWire", "YPos", -1), 2000);
        QCOMPARE(kept.ReadInteger("OneWire", "Breite", -1), 2500);
        QCOMPARE(kept.ReadInteger("OneWire", "Hoehe", -1), 1400);
    }

    void loadAndSave()
    {
        auto form = makeForm();
        show(*form);
        setRows(*form, {"EEPW;$10;200;;;;;;;50;init; zwei", "GETU;b11"});
        m_answer = m_dir.filePath("list.csv");
        form->SpeichernBtn->click();
        QCOMPARE(m_dialogs.size(), 1);
        const FileDialog d = m_dialogs.last();
        QCOMPARE(d.title, QString("CAN-Sendeliste speichern"));
        QCOMPARE(d.filter, QString("CAN-Log (*.csv)|*.csv|Alle Dateien (*.*)|*.*"));
        QCOMPARE(d.extension, QString("csv"));
        // The stored "c:\" is no place here: the dialog starts at home.
        QCOMPARE(d.initialName, QDir::homePath() + "/");
        QCOMPARE(form->ScriptFileName, m_answer);
        QFile file(m_answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\r\n"
                                            "EEPW;$10;200;;;;;;;50;init; zwei\r\n"
                                            "GETU;b11;;;;;;;;;\r\n"));

        form->ListeLeerenBtn->click();
        form->LadenBtn->click();
        QCOMPARE(m_dialogs.last().title, QString("CAN-Sendeliste laden"));
        QCOMPARE(m_dialogs.last().initialName, m_answer);
        QCOMPARE(form->lineCount(), 3);
        QCOMPARE(form->sendList().at(0).Comment, QString("init; zwei"));
        QCOMPARE(shown(*form, 1, 1), QString("b11"));

        // Cancelled: nothing changes.
        m_answer.clear();
        form->LadenBtn->click();
        form->SpeichernBtn->click();
        QCOMPARE(form->sendList().size(), 2);
        QCOMPARE(form->ScriptFileName, m_dir.filePath("list.csv"));

        // A file that cannot be opened leaves the list as it was, with the system's text.
        m_answer = m_dir.filePath("gone.csv");
        QVERIFY_THROWS_EXCEPTION(VelmarError, form->LadenBtnClick());
        QCOMPARE(form->sendList().size(), 2);
        QCOMPARE(form->lineCount(), 3);

        // A bad field ends the load; the rows before it are there to work on at once.
        m_answer = m_dir.filePath("bad.csv");
        QFile bad(m_answer);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("h\r\nACK\r\nDIG\r\nEEPR;1x\r\nRAMR\r\n");
        bad.close();
        QVERIFY_THROWS_EXCEPTION(VelmarError, form->LadenBtnClick());
        QCOMPARE(form->lineCount(), 3);
        QCOMPARE(form->StringGrid->currentIndex(), form->model().index(0, 0));
        form->EntfernenBtn->click();
        QCOMPARE(form->sendList().size(), 1);
        QCOMPARE(form->sendList().at(0).CMD, QString("DIG"));
    }

    void logFileOpensAndCloses()
    {
        auto form = makeForm();
        show(*form);
        m_answer = m_dir.filePath("log.csv");
        QTest::mouseClick(form->LogEdit, Qt::LeftButton);
        QVERIFY(form->LogOpen());
        QCOMPARE(form->LogEdit->text(), m_answer);
        QCOMPARE(form->LogFileName, m_answer);
        QCOMPARE(m_dialogs.last().title, QString("CAN-Sendeliste speichern"));
        board().peripherals().moduleBase[3] = 535;
        setRows(*form, {"TIME", "GETU;3"});
        form->ExecuteRow(1);
        QTest::mouseClick(form->LogEdit, Qt::LeftButton);
        QVERIFY(!form->LogOpen());
        QVERIFY(form->LogEdit->text().isEmpty());
        QFile f(m_answer);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray(" 23.5;"));

        // A file that cannot be created: the system's text, the log stays closed.
        m_answer = m_dir.filePath("no/such/log.csv");
        QVERIFY_THROWS_EXCEPTION(VelmarError, form->LogEditClick());
        QVERIFY(!form->LogOpen());
        // A write that fails closes the log and shows it.
        m_answer = "/dev/full";
        form->LogEditClick();
        QVERIFY(form->LogOpen());
        QVERIFY_THROWS_EXCEPTION(VelmarError, form->ExecuteRow(1));
        QVERIFY(!form->LogOpen());
        QVERIFY(form->LogEdit->text().isEmpty());
        QVERIFY(!form->state().Busy);
    }

    void debugTelegramDrivesTheEcho()
    {
        auto form = makeForm();
        form->CBDebugTelegram->click();
        QVERIFY(m_rig->link.TelegramEcho());
        QVERIFY(form->interpreter().DebugTelegram);
        form->CBDebugTelegram->click();
        QVERIFY(!m_rig->link.TelegramEcho());
        form->DebugTCB->click();
        QVERIFY(form->interpreter().TelegramInfo);
    }

    void mainWindowOpensTheMonitor()
    {
        mainWindowPortOnSim("SIMMAIN");
        TMainForm main(MainFormEnvironment{settingsPath(), {}});
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(main.OneWireBtn->isEnabled());
        QCOMPARE(main.OneWireBtn->text(), QString("script monitor"));
        QList<TFormOneWire*> shownForms;
        SetScriptMonitorRunner([&](TFormOneWire& form) {
            shownForms << &form;
            [&] { QCOMPARE(form.parent(), &main); }();
            form.CBDebugTelegram->click();
            form.move(11, 12);
            main.link().rx().RxMode = 2;
            return 0;
        });
        const QString before = main.RichEdit->plainText();
        main.OneWireBtn->click();
        SetScriptMonitorRunner([](TFormOneWire& form) { return form.exec(); });
        QCOMPARE(shownForms.size(), 1);
        // Afterwards: echo off, the terminal shows board text again, an empty line.
        QVERIFY(!main.link().TelegramEcho());
        QCOMPARE(int(main.RxMode()), 0);
        QCOMPARE(main.RichEdit->plainText(), before + "\n");
        // The window is gone and has written its section.
        QVERIFY(main.findChildren<TFormOneWire*>().isEmpty());
        QCOMPARE(IniFile(settingsPath()).ReadInteger("OneWire", "XPos", -1), 11);
        main.close();
        TCustomComPort::UnregisterBackend("SIMMAIN");
    }
};

VELMAR_WINDOW_TEST_MAIN(TestFormOneWire)

#include "test_tformonewire.moc"
