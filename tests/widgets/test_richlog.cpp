#include "RichLog.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

// The coloured log's line cap, and how what comes reaches the document.
class TestRichLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theOldestLinesGoInBatchesAndTheCaretLineStaysOpen()
    {
        RichLog log;
        QCOMPARE(log.lineCap(), 20000);
        log.setLineCap(80);
        for (int i = 0; i < 1000; ++i)
            log.append(QStringLiteral("L%1\r\n").arg(i));
        const int blocks = log.document()->blockCount();
        QVERIFY2(blocks >= 80 && blocks <= 90, qPrintable(QString::number(blocks)));
        // The newest lines are all there, in order, and the text goes on where it stood.
        const QStringList lines = log.plainText().split('\n');
        QCOMPARE(lines.at(lines.size() - 2), QString("L999"));
        QCOMPARE(lines.at(lines.size() - 3), QString("L998"));
        log.append("con");
        log.addLineAbove("notice");
        log.append("tinued");
        QVERIFY(log.plainText().endsWith("L999\nnotice\ncontinued"));
        // Lowering the cap trims at once.
        log.setLineCap(10);
        QCOMPARE(log.document()->blockCount(), 10);
        QVERIFY(log.plainText().endsWith("L999\nnotice\ncontinued"));
        for (int i = 0; i < 100; ++i)
            log.addLine(QStringLiteral("A%1").arg(i));
        QVERIFY(log.document()->blockCount() <= 11);
        QVERIFY(log.plainText().endsWith("A98\nA99"));
    }

    void whatComesGoesInPerRepaintWholeInOrderAndInItsColours()
    {
        RichLog log;
        log.resize(300, 200);
        log.show();
        QTextDocument* drawn = static_cast<QPlainTextEdit&>(log).document(); // what waits not put in
        int edits = 0;
        connect(drawn, &QTextDocument::contentsChange, [&] { ++edits; });
        const LogColor colours[] = {LogColors::White, LogColors::Green, LogColors::Yellow};
        QStringList lines;
        QList<LogColor> expected;
        auto flood = [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                log.setColor(colours[i % 3]);
                log.append("L");
                log.append(QString::number(i) + "\r\n"); // a line in two chunks
                lines << "L" + QString::number(i);
                expected << colours[i % 3];
            }
        };
        flood(0, 300);
        QCOMPARE(drawn->blockCount(), 1); // nothing drawn before the repaint
        QTRY_VERIFY(edits > 0);
        QCOMPARE(edits, 1); // and then all at once
        QCOMPARE(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
        // Scrolled up, the view stays where the user put it.
        log.verticalScrollBar()->setValue(0);
        flood(300, 400);
        log.flush();
        QCOMPARE(log.verticalScrollBar()->value(), 0);
        QTextBlock block = log.document()->firstBlock();
        for (int i = 0; i < lines.size(); ++i, block = block.next()) {
            QCOMPARE(block.text(), lines[i]);
            const QColor c = block.begin().fragment().charFormat().foreground().color();
            QCOMPARE(c, QColor(expected[i].r, expected[i].g, expected[i].b));
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestRichLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_richlog.moc"
