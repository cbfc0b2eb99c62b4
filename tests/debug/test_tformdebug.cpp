#include "DebugPlotPane.h"
#include "FileBytes.h"
#include "IniFile.h"
#include "StripChart.h"
#include "TFormDebug.h"
#include "TMainForm.h"
#include "VelmarError.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestFormDebug : public SimWindowTest<TFormDebug> {
    Q_OBJECT
    static bool red(const QLabel* lamp) { return TFormDebug::lampColor(lamp) == LampColor::Red; }
    static QString lampPattern(std::initializer_list<QLabel*> lamps)
    {
        QString s;
        for (const QLabel* l : lamps)
            s += red(l) ? 'R' : 'L';
        return s;
    }
    static void switchOn(TFormDebug& form)
    {
        if (!form.PollingOn)
            form.DebugButton->click();
    }

private Q_SLOTS:
    void windowAsDesigned()
    {
        auto form = makeForm();
        const double s = form->scale();
        QCOMPARE(form->windowTitle(), QString("debug window"));
        QCOMPARE(form->size(), QSize(qRound(546 * s), qRound(332 * s)));
        QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::black));
        for (QFrame* panel : {form->Panel3, form->Panel6})
            QCOMPARE(panel->palette().color(QPalette::Window), QColor(0, 0, 128));
        QVERIFY(form->EditBitSig3->text().isEmpty());
        QCOMPARE(form->DebugButton->text(), QString("Debug ON"));
        QCOMPARE(form->debug_timer->interval(), 100);
        QVERIFY(!form->debug_timer->isActive());
        QVERIFY(!form->PollingOn);
        // Every lamp starts lime and is 22 (design) pixels wide once shown; a fresh window
        // shows nothing of an earlier one.
        show(*form);
        for (QLabel* lamp : form->lamps()) {
            QVERIFY(!red(lamp));
            QCOMPARE(lamp->width(), qRound(22 * s));
        }
        // Nothing overlaps the right edge of the designed window.
        for (QLabel* lamp : form->lamps())
            QVERIFY(lamp->mapTo(form.get(), QPoint(lamp->width(), 0)).x() <= form->width());
    }

    void buttonSwitchesPolling()
    {
        auto form = makeForm();
        form->DebugButton->click();
        QVERIFY(form->PollingOn);
        QVERIFY(form->debug_timer->isActive());
        QCOMPARE(form->DebugButton->text(), QString("Debug OFF"));
        // The timer polls by itself: three cycles of one telegram each.
        QVERIFY(WaitUntil([&] { return sent() >= 3; }, 2000));
        form->DebugButton->click();
        QVERIFY(!form->PollingOn);
        QVERIFY(!form->debug_timer->isActive());
        QCOMPARE(form->DebugButton->text(), QString("Debug ON"));
        const auto before = sent();
        QTest::qWait(250);
        QCOMPARE(sent(), before);
        // Off, a tick sends nothing.
        form->OnTimer();
        QCOMPARE(sent(), before);
    }

    void cycleColoursTheLamps()
    {
        auto form = makeForm();
        board().inputs = 0x05;
        board().buttons = 0x02;
        board().outputs = 0x30;
        board().ram()[SimBoard::BitVariablesAt + 1] = 0x20;   // signal 13 set, 12 clear
        board().ram()[SimBoard::WordVariablesAt + 20] = 0x34; // word 10 = 0x1234
        board().ram()[SimBoard::WordVariablesAt + 21] = 0x12;
        form->EditBitSig1->setText("13");
        form->EditBitSig4->setText("12");
        form->EditWordSig2->setText("10");
        form->EditWordSig5->setText("266"); // 266 watches word 10 as well
        switchOn(*form);
        form->OnTimer();
        QCOMPARE(sent(), 5);
        QCOMPARE(lampPattern({form->LabelLedEin1, form->LabelLedEin2, form->LabelLedEin3, form->LabelLedEin4,
                              form->LabelLedEin5, form->LabelLedEin6}),
                 QString("RLRLLL"));
        QCOMPARE(lampPattern({form->LabelLedT1, form->LabelLedT2, form->LabelLedT3, form->LabelLedT4}),
                 QString("LRLL"));
        QCOMPARE(lampPattern({form->LabelLedOut1, form->LabelLedOut2, form->LabelLedOut3, form->LabelLedOut4,
                              form->LabelLedOut5, form->LabelLedOut6}),
                 QString("LLLLRR"));
        // A 1-bit signal of 1 is lime, 0 red; empty rows stay as they were.
        QCOMPARE(lampPattern(
                     {form->LabelLedBS1, form->LabelLedBS2, form->LabelLedBS3, form->LabelLedBS4, form->LabelLedBS5}),
                 QString("LLLRL"));
        QCOMPARE(form->Label_WS2->text(), QString("4660"));
        QCOMPARE(form->Label_WS5->text(), QString("4660"));
        QCOMPARE(form->Label_WS1->text(), QString("0"));

        // A refusing board: the I/O lamps keep their colours, the signals read 0.
        board().faults().refuseAll = true;
        form->OnTimer();
        QCOMPARE(lampPattern({form->LabelLedEin1, form->LabelLedEin2, form->LabelLedEin3}), QString("RLR"));
        QVERIFY(red(form->LabelLedBS1));
        QCOMPARE(form->Label_WS2->text(), QString("0"));
        QVERIFY(m_messages.isEmpty());
    }

    void noTickNestsIntoAnotherExchange()
    {
        auto form = makeForm();
        form->EditBitSig1->setText("1");
        form->EditWordSig1->setText("1");
        switchOn(*form);
        form->debug_timer->stop(); // ticks come from the test alone

        // A tick while the cycle waits for an answer is dropped.
        board().faults().answerDelayMs = 30;
        QTimer::singleShot(10, form.get(), [&] { form->OnTimer(); });
        form->OnTimer();
        QCOMPARE(sent(), 3);
        QVERIFY(m_rig->terminal.text().isEmpty()); // not even refused: it never tried
        board().faults().answerDelayMs = 0;

        // A tick while the message box is open is dropped too.
        form->EditWordSig2->setText("zz");
        qsizetype duringBox = -1;
        m_duringMessage = [&] {
            const auto before = sent();
            form->OnTimer();
            duringBox = sent() - before;
        };
        form->OnTimer();
        QCOMPARE(duringBox, 0);
        QCOMPARE(m_messages, QStringList{"ungültige Eingabe"});

        // And while someone else holds the line.
        const auto before = sent();
        {
            Link::Hold download(m_rig->link);
            form->OnTimer();
        }
        QCOMPARE(sent(), before);
        form->OnTimer();
        QCOMPARE(sent(), before + 3);
    }

    void invalidTextOncePerCycleAndColumn()
    {
        auto form = makeForm();
        form->EditBitSig1->setText("2");
        form->EditBitSig3->setText("x");
        form->EditBitSig4->setText("4");
        form->EditWordSig2->setText("4294967296"); // too large for 32 bits
        form->EditWordSig3->setText("y");
        form->EditWordSig4->setText("4");
        switchOn(*form);
        form->OnTimer();
        QCOMPARE(m_messages, (QStringList{"ungültige Eingabe", "ungültige Eingabe"}));
        QCOMPARE(sent(), 2); // digital I/O and the first 1-bit row
        form->OnTimer();
        QCOMPARE(m_messages.size(), 4);
        // Corrected, the columns are read whole again.
        form->EditBitSig3->clear();
        form->EditWordSig2->setText("2");
        form->EditWordSig3->setText("$10");
        m_messages.clear();
        const auto before = sent();
        form->OnTimer();
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(sent() - before, 6);
    }

    void firstEditsTakeDigitsOnly()
    {
        auto form = makeForm();
        for (QLineEdit* edit : {form->EditBitSig1, form->EditWordSig1}) {
            QTest::keyClicks(edit, "1a2-");
            QCOMPARE(edit->text(), QString("12"));
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCOMPARE(edit->text(), QString("12"));
        }
        QTest::keyClicks(form->EditBitSig2, "a1");
        QCOMPARE(form->EditBitSig2->text(), QString("a1"));
        QTest::keyClicks(form->EditWordSig5, "-3");
        QCOMPARE(form->EditWordSig5->text(), QString("-3"));
        QVERIFY(form->EBitSig1_keyPress('7'));
        QVERIFY(!form->EBitSig1_keyPress('\b'));
    }

    void settingsWrittenAtDestroyAndReadAtCreate()
    {
        {
            // A first start keeps the design size.
            auto form = makeForm();
            QCOMPARE(form->size(), QSize(qRound(546 * form->scale()), qRound(332 * form->scale())));
            form->move(31, 42);
            form->resize(600, 400);
        }
        const IniFile written(settingsPath());
        QCOMPARE(written.ReadInteger("Debugger", "XPos", -1), 31);
        QCOMPARE(written.ReadInteger("Debugger", "YPos", -1), 42);
        QCOMPARE(written.ReadInteger("Debugger", "Breite", -1), 600);
        QCOMPARE(written.ReadInteger("Debugger", "Hoehe", -1), 400);
        {
            auto form = makeForm();
            QCOMPARE(form->pos(), QPoint(31, 42));
            QCOMPARE(form->size(), QSize(600, 400));
        }
        // Other sections survive; a width of 0 keeps the design size.
        IniFile settings(settingsPath());
        settings.WriteString("Hauptfenster", "ComPort", "SIM");
        settings.WriteInteger("Debugger", "Breite", 0);
        settings.UpdateFile();
        {
            auto form = makeForm();
            QCOMPARE(form->width(), qRound(546 * form->scale()));
        }
        QCOMPARE(IniFile(settingsPath()).ReadString("Hauptfenster", "ComPort", ""), QString("SIM"));
    }

    void closingStopsPolling()
    {
        auto form = makeForm();
        form->show();
        switchOn(*form);
        form->close();
        QVERIFY(!form->PollingOn);
        QVERIFY(!form->debug_timer->isActive());
        QCOMPARE(form->DebugButton->text(), QString("Debug ON"));

        // Closed while a row waits for its answer: the rest of the cycle is not sent.
        form->show();
        form->EditWordSig1->setText("1");
        form->EditWordSig2->setText("2");
        switchOn(*form);
        form->debug_timer->stop();
        board().faults().answerDelayMs = 30;
        QTimer::singleShot(10, form.get(), [&] { form->reject(); });
        form->OnTimer();
        QCOMPARE(sent(), 1);
        QVERIFY(!form->PollingOn);
    }

    void escapeKeepsTheWindowAndItsSamples()
    {
        auto form = makeForm();
        show(*form);
        switchOn(*form);
        form->debug_timer->stop();
        form->OnTimer();
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QTest::keyClick(form->EditWordSig2, Qt::Key_Escape);
        QVERIFY(form->isVisible() && form->PollingOn);
        QCOMPARE(form->PlotPane->samples().size(), 1u);
    }

    void portErrorEndsPolling()
    {
        auto form = makeForm();
        switchOn(*form);
        m_rig->port.Close();
        bool thrown = false;
        try {
            form->OnTimer();
        } catch (const VelmarError&) {
            thrown = true;
        }
        QVERIFY(thrown);
        // Polling stops, so the error is shown once and not every 100 ms.
        QVERIFY(!form->PollingOn);
        QVERIFY(!form->debug_timer->isActive());
    }

    void toolbarButtonOpensAFreshWindowEachTime()
    {
        TMainForm main(MainFormEnvironment{settingsPath(), {}});
        QVERIFY(main.TestBtn->isEnabled());
        QCOMPARE(main.TestBtn->text(), QString("bebug window"));
        QList<TFormDebug*> shown;
        QStringList textsOnEntry;
        SetDebugWindowRunner([&](TFormDebug& form) {
            shown << &form;
            textsOnEntry << form.EditBitSig1->text();
            form.EditBitSig1->setText("5");
            form.DebugButton->click();
            form.reject();
            return 0;
        });
        main.TestBtn->click();
        main.TestBtn->click();
        SetDebugWindowRunner([](TFormDebug& form) { return form.exec(); });
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0] != shown[1]);
        QCOMPARE(shown[1]->parent(), &main);
        QCOMPARE(textsOnEntry, (QStringList{"", ""}));
        QVERIFY(!shown[0]->PollingOn);
    }

    void plotShowsExportsAndIsRemembered()
    {
        {
            auto form = makeForm();
            QVERIFY(form->PlotPane->isHidden());
            form->PlotButton->click();
            QVERIFY(!form->PlotPane->isHidden());
            // Below the designed controls, which keep their place.
            QCOMPARE(form->PlotPane->y(), qRound(332 * form->scale()));
            QCOMPARE(form->DebugButton->y(), qRound(284 * form->scale()));
            QVERIFY(form->height() > form->PlotPane->y() + 100);

            board().ram()[SimBoard::WordVariablesAt + 20] = 0x34;
            board().ram()[SimBoard::WordVariablesAt + 21] = 0x12;
            form->EditWordSig2->setText("10");
            form->EditBitSig1->setText("13");
            switchOn(*form);
            form->OnTimer();
            board().faults().refuseAll = true;
            board().faults().onlyCodes = {0x54};
            form->OnTimer(); // the sample tells the refusal apart from a 0
            board().faults() = {};
            StripChart* chart = form->PlotPane->chart;
            QCOMPARE(chart->series().size(), 2);
            QCOMPARE(chart->series()[0].name, QString("word 10"));
            QCOMPARE(chart->series()[1].name, QString("bit 13"));
            QVERIFY(chart->series()[1].digital);
            QCOMPARE(chart->series()[0].points.size(), 2);
            QCOMPARE(chart->series()[0].points[0].value, 4660.0);
            QVERIFY(!chart->series()[0].points[1].valid);
            QVERIFY(chart->readoutAt(chart->plotRect().right()).contains("word 10 = -"));

            // Paused, the chart stands while the samples go on.
            form->PlotPane->pauseButton->click();
            QCOMPARE(form->PlotPane->pauseButton->text(), QString("resume"));
            form->OnTimer();
            QCOMPARE(form->PlotPane->samples().size(), 3u);
            QCOMPARE(chart->series()[0].points.size(), 2);
            form->PlotPane->pauseButton->click();
            QCOMPARE(chart->series()[0].points.size(), 3);

            // Every sample since the window opened; a cancelled dialog writes nothing.
            const auto asked = m_dialogs.size();
            const QStringList files = QDir(m_dir.path()).entryList(QDir::Files);
            form->PlotPane->exportButton->click();
            QCOMPARE(m_dialogs.size(), asked + 1);
            QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), files);
            m_answer = m_dir.filePath("debug.csv");
            form->PlotPane->exportButton->click();
            const QStringList rows = QString::fromUtf8(FileBytes(m_answer)).split('\n', Qt::SkipEmptyParts);
            QCOMPARE(rows.size(), 4);
            QCOMPARE(rows[0], QString("time,status,inputs,buttons,outputs,bit 13,word 10"));
            QVERIFY(rows[1].endsWith(",ok,0x00,0x00,0x00,0,4660"));
            QVERIFY(rows[2].endsWith(",refused,0x00,0x00,0x00,0,"));
            m_answer = m_dir.filePath("debug.png");
            form->PlotPane->pictureButton->click();
            QCOMPARE(QImage(m_answer).size(), chart->size() * chart->devicePixelRatio());
            // A file that cannot be written goes to the general handler.
            m_answer = m_dir.filePath("none/debug.csv");
            form->PlotPane->exportButton->click();
            QCOMPARE(m_errors.take().size(), 1);
        }
        QCOMPARE(IniFile(settingsPath()).ReadInteger("Debugger", "Plot", -1), 1);
        auto form = makeForm();
        QVERIFY(!form->PlotPane->isHidden());
        form->PlotButton->click();
        QVERIFY(form->PlotPane->isHidden());
        QCOMPARE(form->height(), qRound(332 * form->scale()));
    }
};

VELMAR_WINDOW_TEST_MAIN(TestFormDebug)

#include "test_tformdebug.moc"
