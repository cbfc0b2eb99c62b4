// The main window's terminal: the line history, sending, the clock lines, what the board
// sends, and errors of its handlers, which end at their boundary.
#include "FileSync.h"
#include "MainFormTest.h"
#include "RichLog.h"
#include "TComPort.h"
#include "TFormDebug.h"
#include "VelmarApplication.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestMainFormTerminal : public MainFormTest {
    Q_OBJECT

private Q_SLOTS:
    void historyBrowsesNineSlots()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
        for (const char* line : {"first", "second"}) {
            form->TermEdit->setText(line);
            QTest::keyClick(form->TermEdit, Qt::Key_Return);
        }
        QCOMPARE(m_stub->written, QByteArray("first\rsecond\r"));
        QVERIFY(form->TermEdit->text().isEmpty());
        QTest::keyClick(form->TermEdit, Qt::Key_Up);
        QCOMPARE(form->TermEdit->text(), QString("second"));
        QCOMPARE(form->TermEdit->cursorPosition(), 6);
        QTest::keyClick(form->TermEdit, Qt::Key_Up);
        QCOMPARE(form->TermEdit->text(), QString("first"));
        QVERIFY(form->RichEdit->plainText().endsWith("UP Zeile: 01\nUP Zeile: 00"));
        // Down from slot 0 goes 1, 2, ..., 8, 0.
        QStringList seen;
        for (int i = 0; i < 9; ++i) {
            QTest::keyClick(form->TermEdit, Qt::Key_Down);
            seen << form->RichEdit->plainText().split('\n').last();
        }
        QCOMPARE(seen.first(), QString("Down Zeile: 01"));
        QCOMPARE(seen.at(7), QString("Down Zeile: 08"));
        QCOMPARE(seen.last(), QString("Down Zeile: 00"));
        QCOMPARE(form->TermEdit->text(), QString("first"));
        // The window takes Up and Down wherever the focus is.
        form->BtSend->setFocus();
        QTest::keyClick(form->BtSend, Qt::Key_Down);
        QCOMPARE(form->TermEdit->text(), QString("second"));
    }

    void historyKeepsTheLastNineLines()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
        for (int i = 1; i <= 11; ++i) {
            form->TermEdit->setText(QString::number(i));
            QTest::keyClick(form->TermEdit, Qt::Key_Return);
        }
        QTest::keyClick(form->TermEdit, Qt::Key_Up);
        QCOMPARE(form->TermEdit->text(), QString("11"));
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(form->TermEdit, Qt::Key_Up);
        QCOMPARE(form->TermEdit->text(), QString("3"));
    }

    void sendKeepsTheLineAndSendsCarriageReturnAlone()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
        form->link().rx().RxMode = 2;
        QTest::mouseClick(form->BtSend, Qt::LeftButton);
        QCOMPARE(m_stub->written, QByteArray("\r"));
        QCOMPARE(form->RxMode(), std::uint8_t(0));
        form->TermEdit->setText("help");
        QTest::mouseClick(form->BtSend, Qt::LeftButton);
        QCOMPARE(m_stub->written, QByteArray("\rhelp\r"));
        QCOMPARE(form->TermEdit->text(), QString("help"));
        QCOMPARE(form->RichEdit->color(), LogColors::White);
    }

    void clockLinesHaveFixedFields()
    {
        // Sunday 6 December 2026, 14:05:09
        auto form =
            shownWith("[Hauptfenster]\nComPort=STUBA\n", [] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
        QTest::mouseClick(form->timeBtn, Qt::LeftButton);
        QCOMPARE(m_stub->written, QByteArray("time 14 05 09\rdate 06 12 2026 0\r"));
        auto saturday = makeForm([] { return QDateTime(QDate(2026, 12, 12), QTime(0, 0, 1)); });
        saturday->ComPort->SetPort("STUBB");
        saturday->ComPort->Open();
        saturday->timeBtnClick();
        QCOMPARE(m_stub->written, QByteArray("time 00 00 01\rdate 12 12 2026 6\r"));
    }

    void terminalShowsWhatTheBoardSends()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
        form->RichEdit->clear();
        m_stub->feed("hello\r\nboard");
        QTRY_COMPARE(form->RichEdit->plainText(), QString("hello\nboard"));
        // Explicit empty lines always show; a line ended by its own line break gets no extra one.
        form->RichEdit->addLine("");
        form->RichEdit->addLine("");
        form->RichEdit->append("x\r\n");
        form->RichEdit->addLine("y");
        form->RichEdit->append("z\r\n");
        form->RichEdit->addLine("");
        form->RichEdit->addLine("w");
        QCOMPARE(form->RichEdit->plainText(), QString("hello\nboard\n\nx\nyz\n\nw"));
        // A notice above the line being written leaves that line open at the caret.
        form->RichEdit->append("ait");
        form->RichEdit->setColor(LogColors::Yellow);
        form->RichEdit->addLineAbove("notice");
        form->RichEdit->append("ed");
        QCOMPARE(form->RichEdit->plainText(), QString("hello\nboard\n\nx\nyz\n\nnotice\nwaited"));
    }

    void theSimulatedBoardAnswersTheClockLines()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=SIMBOARD\n",
                              [] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
        QTest::mouseClick(form->timeBtn, Qt::LeftButton);
        QTRY_VERIFY(form->RichEdit->plainText().contains("Datum gestellt: So 06.12.2026"));
        // Each line sent ends a line of its own; the board's replies follow on new lines.
        QCOMPARE(form->RichEdit->plainText(), QString("you can start ... \ntime 14 05 09\ndate 06 12 2026 0\n"
                                                      "Uhrzeit gestellt: 14:05:09\nDatum gestellt: So 06.12.2026\n"));
    }

    void terminalInputIsRefusedWhileATelegramWaits()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
        form->TermEdit->setText("hello");
        QTimer::singleShot(20, [&] {
            QTest::mouseClick(form->BtSend, Qt::LeftButton);
            QTest::mouseClick(form->timeBtn, Qt::LeftButton);
            m_stub->feed(":aa0120a5\n");
        });
        QCOMPARE(form->SendTelegram(":aa0120a5\r"), std::uint8_t(0x20));
        QCOMPARE(m_stub->written, QByteArray(":aa0120a5\r"));
        QVERIFY(form->RichEdit->plainText().contains("line busy, refused: Send"));
        QVERIFY(form->RichEdit->plainText().contains("line busy, refused: set system time"));
    }

    void errorsOfTheHandlersEndAtTheirBoundary()
    {
        // On a closed port each of these handlers fails at its first write: the general
        // handler shows the error and the program goes on. None of them goes through Qt's
        // event dispatch, which does not carry exceptions (and leaks what it had allocated
        // for the event when one passes).
        auto form = shownWith("[Hauptfenster]\nComPort=DEADPORT\n");
        m_messages.clear();
        QCOMPARE(firstLines(m_errors.take()), QStringList{"COM Port Error: Unable to open com port on DEADPORT"});
        const QString failed = "COM Port Error: WriteFile function failed on DEADPORT";
        QTest::mouseClick(form->BtSend, Qt::LeftButton);
        QTest::mouseClick(form->timeBtn, Qt::LeftButton);
        form->TermEdit->setText("x");
        QTest::keyClick(form->TermEdit, Qt::Key_Return);
        form->EinstellungenBtn->click();
        QCOMPARE(firstLines(m_messages), QStringList(4, failed));
        QVERIFY2(m_messages[0].endsWith("\nThe port is not open."), qPrintable(m_messages[0]));
        QCOMPARE(m_errors.escaped(), QStringList());
        QCOMPARE(m_errors.take(), m_messages);
        QVERIFY(form->isVisible());
        // The terminal is back in its own mode after the failed dispatch.
        QCOMPARE(form->RxMode(), std::uint8_t(0));
    }

    void errorsBehindAnOpenErrorBoxAreCountedThereNotStacked()
    {
        // The cable goes while the debug window polls and the file synchronization runs. The
        // box of that error is modal, the event loop runs on behind it: the next tick of the
        // file synchronization sees its file changed and fails on the closed port. That error
        // goes to the terminal and into the count of the open box, not into a second box.
        auto form = shownWith("[Hauptfenster]\nComPort=SIMBOARD\nflags=1\n");
        const QString file = m_dir.filePath("prog.vlb");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("01\n");
        f.close();
        form->SyncFileName = file;
        form->SyncFileTime = FileSync::GetFileDateTime(file);
        int open = 0, mostOpen = 0;
        QStringList shown;
        m_duringMessage = [&] {
            mostOpen = std::max(mostOpen, ++open);
            QFile touched(file);
            if (touched.open(QIODevice::ReadWrite))
                touched.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime);
            QTest::qWait(2500); // as long as the user leaves the box open
            shown << VelmarApplication::errorBoxText();
            --open;
        };
        bool pollingStopped = false;
        SetDebugWindowRunner([&](TFormDebug& window) {
            window.DebugButton->click();
            if (!QTest::qWaitFor([&] { return m_board.telegramLog().size() >= 5 && !form->link().busy(); }))
                return 1;
            static_cast<SimPortBackend*>(form->ComPort->backend())->unplug();
            pollingStopped = !window.PollingOn;
            return 0;
        });
        form->TestBtn->click();
        SetDebugWindowRunner({});
        QCOMPARE(mostOpen, 1);
        QCOMPARE(firstLines(m_messages), QStringList{"COM Port Error: ReadFile function failed on SIMBOARD"});
        QVERIFY2(m_messages[0].contains("The device was disconnected"), qPrintable(m_messages[0]));
        const QString behind = "COM Port Error: WriteFile function failed on SIMBOARD";
        QCOMPARE(shown, QStringList{m_messages[0] + "\n\nand 1 more error, see the terminal"});
        QVERIFY(form->RichEdit->plainText().contains("error: " + behind));
        QVERIFY(pollingStopped);
        QCOMPARE(firstLines(m_errors.take()), firstLines({m_messages[0], behind}));
        // The next error, with the box closed, has a box of its own.
        m_duringMessage = nullptr;
        QTest::mouseClick(form->BtSend, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(firstLines(m_errors.take()), QStringList{behind});
    }
};

VELMAR_WINDOW_TEST_MAIN(TestMainFormTerminal)

#include "test_mainform_terminal.moc"
