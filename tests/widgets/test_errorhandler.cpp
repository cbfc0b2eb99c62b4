#include "EComPort.h"
#include "ErrorWatch.h"
#include "HandlerBoundary.h"
#include "Prompts.h"
#include "RichLog.h"
#include "VelmarApplication.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// The general error handler and the boundary that every handler runs in.
class TestErrorHandler : public QObject {
    Q_OBJECT
    ErrorWatch m_errors;
    QStringList m_boxes;
    std::function<void()> m_whileOpen;

    void fail(const QString& text) { throw VelmarError(text); }
    void clicked(bool checked) { m_boxes << QStringLiteral("clicked %1").arg(checked); }

private Q_SLOTS:
    void init()
    {
        m_boxes.clear();
        m_whileOpen = nullptr;
        Prompts::setMessage([this](QWidget*, const QString& text) {
            m_boxes << text;
            // The box is modal: the event loop runs on behind it, and so may other errors.
            if (m_whileOpen)
                m_whileOpen();
        });
    }
    void cleanup()
    {
        Prompts::reset();
        VELMAR_CHECK_ERRORS(m_errors);
    }

    void aHandlerErrorEndsAtItsBoundary()
    {
        QPushButton button;
        connect(&button, &QPushButton::clicked, this,
                HandlerBoundary::wrap([] { throw EComPort(CE_WriteFailed, QStringLiteral("COM7")); }));
        // A slot takes the method's own parameters; a signal with more connects all the same.
        connect(&button, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TestErrorHandler::clicked));
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(m_boxes, (QStringList{"COM7 Error: WriteFile function failed", "clicked 0"}));
        QCOMPARE(m_errors.escaped(), QStringList());
        QCOMPARE(m_errors.take(), QStringList{"COM7 Error: WriteFile function failed"});
        // Errors of every kind have a text; run() says whether the handler ended normally.
        QVERIFY(!HandlerBoundary::run([] { throw std::runtime_error("plain"); }));
        QVERIFY(!HandlerBoundary::run([] { throw 42; }));
        QVERIFY(HandlerBoundary::run([] {}));
        QCOMPARE(m_errors.take(), (QStringList{"plain", "Unknown error"}));
    }

    void anErrorWithoutBoundaryIsAFault()
    {
        // A forgotten boundary still shows the message, but is reported as a fault.
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [] { throw VelmarError(QStringLiteral("forgotten")); });
        QTest::ignoreMessage(QtCriticalMsg, "fault: an error escaped its handler into the event dispatch: forgotten");
        timer.start(0);
        QTRY_COMPARE(m_boxes, QStringList{"forgotten"});
        // The watch would fail any other test for it.
        QCOMPARE(m_errors.takeEscaped(), QStringList{"forgotten"});
        QCOMPARE(m_errors.take(), QStringList{"forgotten"});
    }

    void oneBoxAtATime()
    {
        RichLog terminal;
        VelmarApplication::setTerminal(&terminal);
        terminal.setColor(LogColors::White);
        terminal.append("board text");
        QStringList shownWhileOpen;
        m_whileOpen = [&] {
            // Errors that come while the box is open: counted in it, their text in the terminal.
            m_whileOpen = nullptr;
            QVERIFY(VelmarApplication::errorBoxOpen());
            HandlerBoundary::run([this] { fail(QStringLiteral("second")); });
            shownWhileOpen << VelmarApplication::errorBoxText();
            HandlerBoundary::run([this] { fail(QStringLiteral("third")); });
            shownWhileOpen << VelmarApplication::errorBoxText();
        };
        HandlerBoundary::run([this] { fail(QStringLiteral("first")); });
        QCOMPARE(m_boxes, QStringList{"first"});
        QCOMPARE(shownWhileOpen, (QStringList{"first\n\nand 1 more error, see the terminal",
                                              "first\n\nand 2 more errors, see the terminal"}));
        QCOMPARE(terminal.plainText(), QString("board text\nerror: second\nerror: third"));
        // In yellow, and the terminal goes on in its own colour.
        QCOMPARE(terminal.color(), LogColors::White);
        const QTextCharFormat f = [&] {
            QTextCursor c(terminal.document());
            c.movePosition(QTextCursor::End);
            return c.charFormat();
        }();
        QCOMPARE(f.foreground().color(), QColor(255, 255, 0));
        // Once the box is closed, the next error opens a box of its own.
        QVERIFY(!VelmarApplication::errorBoxOpen());
        HandlerBoundary::run([this] { fail(QStringLiteral("fourth")); });
        QCOMPARE(m_boxes, (QStringList{"first", "fourth"}));
        QCOMPARE(m_errors.take(), (QStringList{"first", "second", "third", "fourth"}));
        VelmarApplication::setTerminal(nullptr);
    }

    void theRealBoxShowsTheCount()
    {
        Prompts::reset();
        QString seen;
        QTimer::singleShot(0, this, [&] {
            HandlerBoundary::run([this] { fail(QStringLiteral("later")); });
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = box->text();
            box->accept();
        });
        HandlerBoundary::run([this] { fail(QStringLiteral("first")); });
        QCOMPARE(seen, QString("first\n\nand 1 more error, see the terminal"));
        QCOMPARE(m_errors.take(), (QStringList{"first", "later"}));
    }
};

int main(int argc, char** argv)
{
    VelmarApplication app(argc, argv);
    TestErrorHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_errorhandler.moc"
