#include "RichLog.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

// The coloured log's line cap.
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
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestRichLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_richlog.moc"
