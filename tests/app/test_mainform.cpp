#include "ErrorWatch.h"
#include "FileSync.h"
#include "IniFile.h"
#include "PortReconnect.h"
#include "Prompts.h"
#include "RichLog.h"
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "StubPortBackend.h"
#include "TComPort.h"
#include "TComSetupFrm.h"
#include "TFormDebug.h"
#include "TMainForm.h"
#include "TerminalExtras.h"
#include "VelmarApplication.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <cstring>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestMainForm : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_messages;
    std::function<void()> m_duringMessage; // what happens while a message box is open
    ErrorWatch m_errors;                   // what reached the general error handler
    StubPortBackend* m_stub = nullptr;
    SimBoard m_board;

    QString settingsPath() const { return m_dir.filePath("Settings.ini"); }
    void writeSettings(const QByteArray& text)
    {
        QFile f(settingsPath());
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
    std::unique_ptr<TMainForm> makeForm(std::function<QDateTime()> clock = {})
    {
        auto form = std::make_unique<TMainForm>(MainFormEnvironment{settingsPath(), std::move(clock)});
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
    void show(TMainForm& form)
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

private Q_SLOTS:
    void initTestCase()
    {
        Prompts::setMessage([this](QWidget*, const QString& text) {
            m_messages << text;
            if (m_duringMessage)
                m_duringMessage();
        });
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
    void init()
    {
        m_messages.clear();
        m_duringMessage = nullptr;
        QFile::remove(settingsPath());
        m_stub = nullptr;
    }
    void cleanup() { VELMAR_CHECK_ERRORS(m_errors); }

    void firstStartUsesTheDefaults()
    {
        auto form = makeForm();
        QCOMPARE(form->pos(), QPoint(0, 0));
        QCOMPARE(form->ComPortName, QString("COM1"));
        QCOMPARE(form->CustomBaudText, QString("28800"));
        QCOMPARE(form->FirmwareFileName, QString("*.Hex"));
        QCOMPARE(form->ByteCodeFileName, QString("*.Vlb"));
        QCOMPARE(form->SyncFlags, 0);
        QVERIFY(!form->ComPort->Connected()); // nothing is opened before the window shows
        QCOMPARE(form->windowTitle(), QString("Velmar Benutzeroberfläche V 1.04l"));
    }

    void theWindowsCarryTheInstalledIcon()
    {
        // The desktop finds the menu entry and the theme's icon by this name.
        QCOMPARE(QGuiApplication::desktopFileName(), QString("org.velmar.VelmarUi"));
        auto form = makeForm();
        const QList<QSize> sizes = form->windowIcon().availableSizes();
        QVERIFY2(sizes.contains(QSize(48, 48)) && sizes.contains(QSize(256, 256)),
                 qPrintable(QString::number(sizes.size())));
    }

    void showOpensTheStoredPortOnceAndGreets()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\nflags=1\nCustomBaud=19200\nXPos=40\nYPos=30\n");
        auto form = makeForm();
        QSignalSpy opened(form->ComPort, &TComPort::AfterOpen);
        show(*form);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(form->ComPort->Port(), QString("STUBA"));
        QCOMPARE(form->ComPort->CustomBaudRate(), 19200);
        QCOMPARE(form->OpenBtn->text(), QString("Com Port Close"));
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->Timer1->interval(), 1000);
        QCOMPARE(form->RichEdit->plainText(), QString("file synchronization enabled\nyou can start ... "));
        QVERIFY(form->TermEdit->hasFocus());
        QVERIFY(m_messages.isEmpty());
    }

    void aPortThatCannotOpenCostsOnlyThePort()
    {
        writeSettings("[Hauptfenster]\nComPort=DEADPORT\nflags=1\nCustomBaud=19200\n");
        auto form = makeForm();
        show(*form);
        // The box keeps the error's text as its first line; the reason and a hint follow.
        QCOMPARE(m_messages.size(), 1);
        const QStringList lines = m_messages[0].split('\n');
        QCOMPARE(lines.value(0), QString("COM Port Error: Unable to open com port on DEADPORT"));
        QCOMPARE(lines.value(1), QString::fromLocal8Bit(std::strerror(ENOENT)));
        QVERIFY2(lines.value(2).contains("is not connected"), qPrintable(m_messages[0]));
        QCOMPARE(m_errors.take(), m_messages);
        QVERIFY(!form->ComPort->Connected());
        QCOMPARE(form->OpenBtn->text(), QString("Open Com"));
        // The rest of the start goes on: rate, file synchronization, greeting.
        QCOMPARE(form->ComPort->CustomBaudRate(), 19200);
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->RichEdit->plainText(), QString("file synchronization enabled\nyou can start ... "));
    }

    void aCustomRateThatIsNoNumberEndsTheStart()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\nflags=1\nCustomBaud=fast\n");
        auto form = makeForm();
        show(*form);
        QCOMPARE(m_messages, QStringList{"'fast' is not a valid integer value"});
        QCOMPARE(m_errors.take(), m_messages);
        QVERIFY(form->ComPort->Connected());
        QCOMPARE(form->ComPort->CustomBaudRate(), 9600);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->RichEdit->plainText(), QString());
    }

    void flagsThatAreNoNumberStillOpenTheWindow()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\nflags=yes\n");
        auto form = makeForm();
        QCOMPARE(m_messages, QStringList{"'yes' is not a valid integer value"});
        QCOMPARE(m_errors.take(), m_messages);
        show(*form);
        QVERIFY(form->ComPort->Connected());
    }

    void historyBrowsesNineSlots()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
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
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
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
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
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
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        // Sunday 6 December 2026, 14:05:09
        auto form = makeForm([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
        show(*form);
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
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
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

    void settingsAreWrittenAtCloseAndReadAtTheNextStart()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\nflags=1\n[Debugger]\nXPos=3\n");
        {
            auto form = makeForm();
            show(*form);
            form->move(50, 60);
            form->FirmwareFileName = "/tmp/fw.hex";
            form->ComPort->SetPort("STUBB"); // as the setup dialog does
            QVERIFY(form->close());
        }
        IniFile ini(settingsPath());
        QCOMPARE(ini.ReadString("Hauptfenster", "ComPort", ""), QString("STUBB"));
        QCOMPARE(ini.ReadString("Hauptfenster", "Filename", ""), QString("/tmp/fw.hex"));
        QCOMPARE(ini.ReadString("Hauptfenster", "FilenameByteCode", ""), QString("*.Vlb"));
        QCOMPARE(ini.ReadString("Hauptfenster", "CustomBaud", ""), QString("28800"));
        // The place of the window, as it stood, and where the next start puts it.
        QCOMPARE(ini.ReadInteger("Hauptfenster", "XPos", -1), 50);
        QCOMPARE(ini.ReadInteger("Hauptfenster", "YPos", -1), 60);
        QVERIFY(ini.ValueExists("Hauptfenster", "Breite"));
        QVERIFY(ini.ValueExists("Hauptfenster", "Hoehe"));
        QCOMPARE(ini.ReadString("Hauptfenster", "flags", ""), QString("1"));
        QCOMPARE(ini.ReadInteger("Debugger", "XPos", 0), 3);
        auto next = makeForm();
        QCOMPARE(next->pos(), QPoint(50, 60));
        QCOMPARE(next->ComPortName, QString("STUBB"));
        QCOMPARE(next->FirmwareFileName, QString("/tmp/fw.hex"));
        QCOMPARE(next->SyncFlags, 1);
    }

    void aFileNameWithALineBreakIsShownAndTheSettingsStayAsTheyWere()
    {
        const QByteArray before("[Hauptfenster]\nComPort=STUBA\nFilename=/tmp/a.hex\n");
        writeSettings(before);
        auto form = makeForm();
        show(*form);
        m_messages.clear();
        form->FirmwareFileName = "/tmp/odd\nComPort=COM9.hex"; // a Linux file name may hold one
        QVERIFY(form->close());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains("line break"), qPrintable(m_messages[0]));
        QCOMPARE(m_errors.take(), m_messages);
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void aStoredPlaceBeyondTheScreenOpensInView()
    {
        writeSettings("[Hauptfenster]\nXPos=5000\nYPos=-3000\n");
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        {
            auto form = makeForm();
            show(*form);
            QVERIFY(available.contains(QRect(form->pos(), form->size())));
            QVERIFY(form->close());
        }
        // Not moved: the stored place stays for the screen it came from.
        IniFile ini(settingsPath());
        QCOMPARE(ini.ReadInteger("Hauptfenster", "XPos", 0), 5000);
        QCOMPARE(ini.ReadInteger("Hauptfenster", "YPos", 0), -3000);
        {
            auto form = makeForm();
            show(*form);
            form->move(available.topLeft() + QPoint(12, 8));
            QVERIFY(form->close());
        }
        IniFile moved(settingsPath());
        QCOMPARE(moved.ReadInteger("Hauptfenster", "XPos", 0), available.left() + 12);
        QCOMPARE(moved.ReadInteger("Hauptfenster", "YPos", 0), available.top() + 8);
    }

    void theStatusBarNamesThePortAndItsState()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        QCOMPARE(form->PortStatus->text(), QString("COM1 57600 8N1, closed"));
        show(*form);
        QCOMPARE(form->PortStatus->text(), QString("STUBA 57600 8N1, open"));
        form->ComPort->SetBaudRate(TBaudRate::br19200);
        QCOMPARE(form->PortStatus->text(), QString("STUBA 19200 8N1, open"));
        form->ComPort->BeginUpdate();
        form->ComPort->SetBaudRate(TBaudRate::brCustom);
        TComParity even;
        even.Bits = TParityBits::prEven;
        form->ComPort->SetParity(even);
        form->ComPort->SetStopBits(TStopBits::sbTwoStopBits);
        form->ComPort->SetDataBits(TDataBits::dbSeven);
        form->ComPort->EndUpdate();
        QCOMPARE(form->PortStatus->text(), QString("STUBA 28800 7E2, open"));
        QTest::mouseClick(form->OpenBtn, Qt::LeftButton);
        QCOMPARE(form->PortStatus->text(), QString("STUBA 28800 7E2, closed"));
    }

    void terminalExtrasAreOffAtFirstAndKeptAcrossStarts()
    {
        const QString logFile = m_dir.filePath("terminal.log");
        {
            auto form = makeForm();
            show(*form);
            QVERIFY(!form->TerminalMenu->timeStamps());
            QVERIFY(!form->TerminalMenu->logging());
            form->TerminalMenu->setTimeStamps(true);
            QVERIFY(form->TerminalMenu->startLogging(logFile));
            QVERIFY(form->close());
        }
        IniFile ini(settingsPath());
        QCOMPARE(ini.ReadInteger("Hauptfenster", "TerminalTimeStamps", 0), 1);
        QCOMPARE(ini.ReadString("Hauptfenster", "TerminalLogFile", ""), logFile);
        QCOMPARE(ini.ReadInteger("Hauptfenster", "TerminalLogOn", 0), 1);
        auto next = makeForm();
        show(*next);
        QVERIFY(next->RichEdit->timeStamps());
        QVERIFY(next->TerminalMenu->logging());
        next->RichEdit->addLine("next line"); // the greeting's line ends and goes to the file
        QFile log(logFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("you can start ... \n"));
    }

    void openButtonTogglesThePort()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
        QTest::mouseClick(form->OpenBtn, Qt::LeftButton);
        QVERIFY(!form->ComPort->Connected());
        QCOMPARE(form->OpenBtn->text(), QString("Com Port Open"));
        QTest::mouseClick(form->OpenBtn, Qt::LeftButton);
        QVERIFY(form->ComPort->Connected());
        QCOMPARE(form->OpenBtn->text(), QString("Com Port Close"));
    }

    void setupDialogAppliesOnOkOnly()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
        QStringList ports, shown;
        SetSetupDialogRunner([&](TComSetupFrm& dialog) -> int {
            shown << dialog.windowTitle() << dialog.ComboBaudRate->currentText() << dialog.ComboFlow->currentText()
                  << dialog.ComboPort->currentText();
            for (int i = 0; i < dialog.ComboPort->count(); ++i)
                ports << dialog.ComboPort->itemText(i);
            dialog.ComboBaudRate->setCurrentText("Custom");
            dialog.ComboFlow->setCurrentText("Hardware");
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(form->SettingBtn, Qt::LeftButton);
        QCOMPARE(shown, QStringList({"Setup", "57600", "None", "STUBA"}));
        QVERIFY(ports.contains("SIM"));
        QCOMPARE(form->ComPort->BaudRate(), TBaudRate::br57600); // "Cancel" changes nothing

        SetSetupDialogRunner([&](TComSetupFrm& dialog) -> int {
            dialog.ComboPort->setEditText("STUBB");
            dialog.ComboBaudRate->setCurrentText("Custom");
            dialog.ComboFlow->setCurrentText("Hardware");
            return int(QDialog::Accepted);
        });
        QSignalSpy reopened(form->ComPort, &TComPort::AfterOpen);
        QTest::mouseClick(form->SettingBtn, Qt::LeftButton);
        SetSetupDialogRunner({});
        QCOMPARE(form->ComPort->Port(), QString("STUBB"));
        QCOMPARE(reopened.count(), 1);
        QCOMPARE(form->ComPort->BaudRate(), TBaudRate::brCustom);
        QCOMPARE(form->ComPort->FlowControlKind(), TFlowControl::fcHardware);
        // The line runs at the custom rate from the settings file.
        QCOMPARE(m_stub->settings.baudRate, 28800);
        QVERIFY(m_stub->settings.flow.OutCTSFlow);
    }

    void reconnectIsOnByDefaultAndItsChoiceIsStored()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        {
            auto form = makeForm();
            show(*form);
            QVERIFY(form->reconnect().enabled());
            bool shownChecked = false;
            QString simShownAs, info;
            SetSetupDialogRunner([&](TComSetupFrm& dialog) -> int {
                shownChecked = dialog.CheckReconnect && dialog.CheckReconnect->isChecked();
                if (dialog.CheckReconnect)
                    dialog.CheckReconnect->setChecked(false);
                // Each port with what it is; the edit line takes the name alone.
                const int sim = dialog.ComboPort->findData("SIM", Qt::EditRole);
                simShownAs = dialog.ComboPort->itemData(sim, Qt::DisplayRole).toString();
                dialog.ComboPort->setCurrentIndex(sim);
                info = dialog.PortInfo->text();
                dialog.ComboPort->setEditText("STUBA");
                return int(QDialog::Accepted);
            });
            QTest::mouseClick(form->SettingBtn, Qt::LeftButton);
            SetSetupDialogRunner({});
            QVERIFY(shownChecked);
            QCOMPARE(simShownAs, QString("SIM   simulated board"));
            QCOMPARE(info, QString("simulated board"));
            QVERIFY(!form->reconnect().enabled());
            QVERIFY(form->close());
        }
        QCOMPARE(IniFile(settingsPath()).ReadInteger("Hauptfenster", "AutoReconnect", -1), 0);
        QVERIFY(!makeForm()->reconnect().enabled());
    }

    void theSimulatedBoardAnswersTheClockLines()
    {
        writeSettings("[Hauptfenster]\nComPort=SIMBOARD\n");
        auto form = makeForm([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
        show(*form);
        QTest::mouseClick(form->timeBtn, Qt::LeftButton);
        QTRY_VERIFY(form->RichEdit->plainText().contains("Datum gestellt: So 06.12.2026"));
        // Each line sent ends a line of its own; the board's replies follow on new lines.
        QCOMPARE(form->RichEdit->plainText(), QString("you can start ... \ntime 14 05 09\ndate 06 12 2026 0\n"
                                                      "Uhrzeit gestellt: 14:05:09\nDatum gestellt: So 06.12.2026\n"));
    }

    void terminalInputIsRefusedWhileATelegramWaits()
    {
        writeSettings("[Hauptfenster]\nComPort=STUBA\n");
        auto form = makeForm();
        show(*form);
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
        writeSettings("[Hauptfenster]\nComPort=DEADPORT\n");
        auto form = makeForm();
        show(*form);
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
        writeSettings("[Hauptfenster]\nComPort=SIMBOARD\nflags=1\n");
        auto form = makeForm();
        show(*form);
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

int main(int argc, char** argv)
{
    VelmarApplication app(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform.moc"
