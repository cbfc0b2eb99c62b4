// The shared window helpers: a stored place fitted onto the screen, the busy cursor of a long
// wait, and the terminal's time stamps, log file, saved copy and line recording.
#include "FileBytes.h"
#include "LineRecordAction.h"
#include "Prompts.h"
#include "RichLog.h"
#include "SimRig.h"
#include "TerminalExtras.h"
#include "TerminalLogFile.h"
#include "WaitCursor.h"
#include "WindowPlacement.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

class TestTerminalExtras : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_answer; // what the file dialog returns
    int m_dialogs = 0;

private Q_SLOTS:
    void initTestCase()
    {
        Prompts::setSaveFile([this](QWidget*, const QString&, const QString&, const QString&) {
            ++m_dialogs;
            return m_answer;
        });
    }
    void init() { m_dialogs = 0; }

    void aPlaceIsFittedOntoTheAvailableArea()
    {
        const QRect screen(0, 30, 1000, 700);
        // Inside: as it is.
        QCOMPARE(WindowPlacement::fitInto(QRect(10, 40, 300, 200), screen), QRect(10, 40, 300, 200));
        // Beyond the right and bottom edge, and above and left of the screen.
        QCOMPARE(WindowPlacement::fitInto(QRect(5000, 5000, 300, 200), screen), QRect(700, 530, 300, 200));
        QCOMPARE(WindowPlacement::fitInto(QRect(-400, -400, 300, 200), screen), QRect(0, 30, 300, 200));
        // Larger than the screen: as large as it, from its corner.
        QCOMPARE(WindowPlacement::fitInto(QRect(200, 200, 1600, 900), screen), QRect(0, 30, 1000, 700));
    }

    void aRestoredWindowStoresItsPlaceOnlyOnceMoved()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window;
        WindowPlacement placement;
        placement.restore(window, QPoint(9000, -9000), QSize(300, 9000));
        QVERIFY(available.contains(QRect(window.pos(), window.size())));
        QCOMPARE(window.width(), 300);
        // Not moved: what was stored goes back, so a larger screen finds its place again.
        QCOMPARE(placement.positionToStore(window), QPoint(9000, -9000));
        QCOMPARE(placement.sizeToStore(window), QSize(300, 9000));
        window.move(window.pos() + QPoint(0, 1));
        window.resize(310, 200);
        QCOMPARE(placement.positionToStore(window), window.pos());
        QCOMPARE(placement.sizeToStore(window), QSize(310, 200));
    }

    void onlyALongWaitShowsTheBusyCursor()
    {
        SimRig rig;
        WaitCursor cursor(rig.link);
        bool busyEarly = true;
        bool busyLate = false;
        QTimer::singleShot(WaitCursor::DelayMs / 2, [&] { busyEarly = QGuiApplication::overrideCursor() != nullptr; });
        QTimer::singleShot(WaitCursor::DelayMs + 150, [&] {
            const QCursor* c = QGuiApplication::overrideCursor();
            busyLate = c && c->shape() == Qt::BusyCursor;
        });
        rig.link.sleep(WaitCursor::DelayMs + 300);
        QVERIFY(!busyEarly);
        QVERIFY(busyLate);
        QVERIFY(!QGuiApplication::overrideCursor()); // back when the wait ends
        QVERIFY(!cursor.showing());

        // Short waits one after the other never show it.
        bool everBusy = false;
        QTimer watch;
        watch.setInterval(20);
        connect(&watch, &QTimer::timeout, [&] { everBusy |= QGuiApplication::overrideCursor() != nullptr; });
        watch.start();
        for (int i = 0; i < 5; ++i)
            rig.link.sleep(WaitCursor::DelayMs / 3);
        QVERIFY(!everBusy);
    }

    void timeStampsMarkTheLinesFromTheBoardOnly()
    {
        RichLog log;
        log.setClock([] { return QTime(14, 5, 9, 123); });
        log.append("off\r\n");
        log.setTimeStamps(true);
        log.append("one\r\ntw");
        log.append("o\r\n\r\n");
        log.setColor(LogColors::Yellow);
        log.addLine("sent\r");
        log.setColor(LogColors::White);
        log.append("echo");
        log.setColor(LogColors::Green);
        log.append(".....");
        QCOMPARE(log.plainText(), QString("off\n14:05:09.123 one\n14:05:09.123 two\n\nsent\n14:05:09.123 echo....."));
    }

    void theLogFileGetsWhatIsShownLineByLine()
    {
        const QString path = m_dir.filePath("term.txt");
        RichLog log;
        TerminalExtras extras(log);
        log.append("before\r\n"); // not logged yet
        m_answer = path;
        extras.LogToFileAction->trigger();
        QVERIFY(extras.logging());
        QVERIFY(extras.LogToFileAction->isChecked());
        QCOMPARE(extras.logFileName(), path);
        log.append("abc\r\nde");
        // Flushed per line: the open line is not in the file yet.
        QCOMPARE(FileBytes(path), QByteArray("abc\n"));
        log.addLineAbove("busy, please wait");
        log.append("f\r\n");
        log.addLine("notice");
        extras.LogToFileAction->trigger(); // off: the open line goes in
        QVERIFY(!extras.logging());
        QCOMPARE(FileBytes(path), QByteArray("abc\nbusy, please wait\ndef\nnotice\n"));
        log.addLine("after");

        // On again, the file is appended to; a cancelled dialog leaves logging off.
        m_answer.clear();
        extras.LogToFileAction->trigger();
        QVERIFY(!extras.logging());
        QVERIFY(!extras.LogToFileAction->isChecked());
        QVERIFY(extras.startLogging(path));
        log.addLine("again");
        extras.stopLogging();
        // The line the log stood on when logging began is not the file's: its end is left out.
        QCOMPARE(FileBytes(path), QByteArray("abc\nbusy, please wait\ndef\nnotice\nagain\n"));

        // A file that cannot be opened is said in the log and leaves logging off.
        QVERIFY(!extras.startLogging(m_dir.filePath("no/such/dir/t.txt")));
        QVERIFY(!extras.LogToFileAction->isChecked());
        QVERIFY(log.plainText().contains("t.txt\" cannot be opened: "));

        // A line that cannot be written (a full disk) stops logging and says so, once.
        if (QFileInfo(QStringLiteral("/dev/full")).isWritable()) {
            QVERIFY(extras.startLogging(QStringLiteral("/dev/full")));
            log.append("lost\r\nlost too\r\n");
            QVERIFY(!extras.logging());
            QVERIFY(!extras.LogToFileAction->isChecked());
            QCOMPARE(log.plainText().count("\"/dev/full\" stopped: "), 1);
            log.addLine("later");
            QCOMPARE(log.plainText().count("stopped: "), 1);
        }
    }

    void saveAsWritesTheWholeLogAtOnce()
    {
        RichLog log;
        TerminalExtras extras(log);
        log.append("line 1\r\nline 2");
        const QString path = m_dir.filePath("saved.txt");
        m_answer = path;
        extras.SaveAsAction->trigger();
        QCOMPARE(m_dialogs, 1);
        QCOMPARE(FileBytes(path), QByteArray("line 1\nline 2\n"));
        QVERIFY(log.plainText().endsWith("saved to \"" + path + "\""));
        // Into a folder that is not there: nothing is left behind, the log says why.
        QVERIFY(!extras.saveAs(m_dir.filePath("none/saved.txt")));
        QVERIFY(!QFile::exists(m_dir.filePath("none/saved.txt")));
        QVERIFY(log.plainText().contains("cannot save"));
    }

    void recordLineTakesBothDirectionsUntilUnticked()
    {
        SimRig rig;
        RichLog log;
        LineRecordAction record(rig.port, log, nullptr);
        const QString path = m_dir.filePath("line.txt");
        m_answer = path;
        record.trigger();
        QVERIFY(record.isChecked());
        QCOMPARE(rig.link.SendTelegram(":aa023401a5\r"), 0x34);
        record.trigger();
        QVERIFY(!record.isChecked());
        rig.link.SendTelegram(":aa023401a5\r");
        const QList<QByteArray> lines = FileBytes(path).split('\n');
        QVERIFY(lines[0].startsWith("# velmar line recording: port " + rig.port.Port().toUtf8() + " at 57600 bit/s"));
        QVERIFY(lines[2].endsWith(" out 3A 61 61 30 32 33 34 30 31 61 35 0D"));
        QVERIFY(lines[3].contains(" in 3A 61 61 30 32 33 34"));
        QCOMPARE(lines.size(), 5); // the one exchange, and the end of the last line
        QVERIFY(log.plainText().contains("recording the line into \"" + path + "\""));
        QVERIFY(log.plainText().endsWith("line recording \"" + path + "\" ended"));
    }
};

QTEST_MAIN(TestTerminalExtras)
#include "test_terminalextras.moc"
