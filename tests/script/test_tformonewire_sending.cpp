// The script monitor sending rows: the "Senden" cell, a row refused while another waits, and
// auto send with its timer, its delays and its end on a port error.
#include "AutoSender.h"
#include "HandlerBoundary.h"
#include "MonitorWindowTest.h"
#include "WaitUntil.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestFormOneWireSending : public MonitorWindowTest {
    Q_OBJECT

private Q_SLOTS:
    void sendenCellPressAndRelease()
    {
        auto form = makeForm();
        show(*form);
        setRows(*form, {"ACK", "DIG"});
        QWidget* viewport = form->StringGrid->viewport();
        const QPoint send0 = cellCenter(*form, 0, 10);
        const QPoint send1 = cellCenter(*form, 1, 10);

        // Held down: sunken; released over the same cell: the row runs once.
        QTest::mousePress(viewport, Qt::LeftButton, {}, send0);
        QCOMPARE(form->PressedRow, 1);
        const auto before = sent();
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, send0);
        QCOMPARE(form->PressedRow, 0);
        QCOMPARE(sent(), before + 1);
        QCOMPARE(board().telegramLog().last(), QByteArray(":aa0120a5"));

        // Released over another cell, or over another row's button: nothing runs.
        QTest::mousePress(viewport, Qt::LeftButton, {}, send0);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, cellCenter(*form, 0, 3));
        QTest::mousePress(viewport, Qt::LeftButton, {}, send0);
        QTest::mouseMove(viewport, send1);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, send1);
        QCOMPARE(sent(), before + 1);
        QCOMPARE(form->PressedRow, 0);
        // Pressed elsewhere, released over a button: nothing either.
        QTest::mousePress(viewport, Qt::LeftButton, {}, cellCenter(*form, 1, 2));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, send1);
        QCOMPARE(sent(), before + 1);
        // The second row's own button.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, send1);
        QCOMPARE(board().telegramLog().last(), QByteArray(":aa0152a5"));
    }

    void aNestedSendenIsRefused()
    {
        auto form = makeForm();
        show(*form);
        setRows(*form, {"ACK", "DIG"});
        board().faults().answerDelayMs = 150;
        const auto before = sent();
        QTimer::singleShot(30, [&] {
            QVERIFY(form->state().Busy);
            QTest::mouseClick(form->StringGrid->viewport(), Qt::LeftButton, {}, cellCenter(*form, 1, 10));
        });
        form->DebugTCB->setChecked(true);
        form->ExecuteRow(0);
        QCOMPARE(sent(), before + 1);
        // The notice stands above the waiting row's line, whose outcome still lands behind it;
        // the terminal names what the line refused.
        QCOMPARE(logLines(*form), (QStringList{"line busy, refused: Senden", "ACK   pass"}));
        QVERIFY(m_rig->terminal.text().contains("line busy, refused: Senden"));
        // Inside someone else's exchange as well.
        {
            const Link::Hold download(m_rig->link);
            form->RichEdit->clear();
            form->ExecuteRow(1);
            QCOMPARE(form->RichEdit->plainText(), QString("line busy, refused: Senden"));
        }
        QCOMPARE(sent(), before + 1);
        // Between the tick that starts a row and the row itself.
        form->DebugTCB->setChecked(false);
        board().faults().answerDelayMs = 0;
        form->btSenden->click();
        form->timerStart();
        QVERIFY(form->state().Busy);
        form->RichEdit->clear();
        form->ExecuteRow(1);
        QCOMPARE(form->RichEdit->plainText(), QString("line busy, refused: Senden"));
        QCOMPARE(sent(), before + 1);
        QVERIFY(WaitUntil([&] { return sent() >= before + 2; }, 1000));
        form->btSenden->click();
        QCOMPARE(board().telegramLog().at(before + 1), QByteArray(":aa0120a5"));
    }

    void autoSendRunsAndStops()
    {
        auto form = makeForm();
        show(*form);
        setRows(*form, {"ACK", "DIG;;;;;;;;;2"});
        form->btSenden->click();
        QCOMPARE(form->btSenden->text(), QString("Break Senden"));
        QVERIFY(WaitUntil([&] { return sent() >= 4; }, 3000));
        form->btSenden->click();
        QCOMPARE(form->btSenden->text(), QString("Auto Senden"));
        const auto stopped = sent();
        QTest::qWait(300);
        QCOMPARE(sent(), stopped);

        // CLW with D0 = 1 after a failure stops the run and puts the caption back.
        setRows(*form, {"GETU;8", "CLW;1"});
        form->btSenden->click();
        QVERIFY(WaitUntil([&] { return !form->state().AutoSend; }, 3000));
        QCOMPARE(form->btSenden->text(), QString("Auto Senden"));
        QVERIFY(form->RichEdit->plainText().contains("Baustein $08   fail;"));

        // Closing the window stops the run.
        setRows(*form, {"ACK"});
        form->btSenden->click();
        form->close();
        QVERIFY(!form->state().AutoSend);
    }

    void theTimerTicksOnWhileARowWaits()
    {
        auto form = makeForm();
        show(*form);
        // The window's own timer; `ticks` counts what it delivers.
        int ticks = 0;
        connect(form->Timer1, &QTimer::timeout, form.get(), [&] { ++ticks; });
        QList<int> rows, started, ended;
        form->autoSender().rowStarting = [&](int row) {
            rows << row;
            started << ticks;
            board().faults().answerDelayMs = rows.size() == 1 ? 550 : 0;
        };
        form->autoSender().rowFinished = [&](int) { ended << ticks; };

        // A row that waits about 550 ms with a delay of 3: its delay runs out during the wait,
        // and the next row follows on the first tick after it.
        setRows(*form, {"ACK;;;;;;;;;3", "DIG;;;;;;;;;3"});
        form->btSenden->click();
        QVERIFY(WaitUntil([&] { return rows.size() >= 2; }, 5000));
        form->btSenden->click();
        QCOMPARE(rows.mid(0, 2), (QList<int>{0, 1}));
        QVERIFY2(ended[0] - started[0] >= 4, qPrintable(QString::number(ended[0] - started[0])));
        QCOMPARE(started[1] - ended[0], 1);

        // One row with delay 10 runs every tenth tick, about once a second.
        rows.clear();
        started.clear();
        QElapsedTimer clock;
        clock.start();
        QList<qint64> at;
        form->autoSender().rowStarting = [&](int row) {
            rows << row;
            started << ticks;
            at << clock.elapsed();
        };
        setRows(*form, {"ACK;;;;;;;;;10"});
        form->btSenden->click();
        QVERIFY(WaitUntil([&] { return rows.size() >= 3; }, 5000));
        form->btSenden->click();
        for (int i = 1; i < 3; ++i) {
            QCOMPARE(started[i] - started[i - 1], 10);
            QVERIFY2(at[i] - at[i - 1] >= 900 && at[i] - at[i - 1] <= 1300,
                     qPrintable(QString::number(at[i] - at[i - 1])));
        }
    }

    void anAutoSentRowEndsAtTheBoundaryAndAPortErrorStopsTheRun()
    {
        auto form = makeForm();
        show(*form);
        // A row the tick starts finds the port closed: one error, and the run stops.
        setRows(*form, {"ACK"});
        m_rig->port.Close();
        form->btSenden->click();
        QVERIFY(WaitUntil([&] { return !form->state().AutoSend; }, 3000));
        QTest::qWait(300);
        QCOMPARE(m_errors.take().size(), 1);
        QCOMPARE(form->btSenden->text(), QString("Auto Senden"));

        // "Senden" finds it closed while auto send runs: one error, not one more per tick.
        m_rig->port.Open();
        setRows(*form, {"ACK;;;;;;;;;3"});
        form->DebugTCB->click();
        form->btSenden->click();
        QVERIFY(WaitUntil([&] { return sent() >= 1 && !form->state().Busy; }, 3000));
        m_rig->port.Close();
        HandlerBoundary::run([&] { form->ExecuteRow(0); });
        QVERIFY(!form->state().AutoSend);
        QTest::qWait(500);
        QCOMPARE(m_errors.take().size(), 1);
        QCOMPARE(form->RichEdit->plainText().count("Timer Zeile: 0"), 1);
    }
};

VELMAR_WINDOW_TEST_MAIN(TestFormOneWireSending)

#include "test_tformonewire_sending.moc"
