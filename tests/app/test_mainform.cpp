// The main window from its start to its close: defaults, the stored port and settings, the
// window's place, the status bar, the port buttons and the setup dialog.
#include "IniFile.h"
#include "MainFormTest.h"
#include "PortReconnect.h"
#include "RichLog.h"
#include "TComPort.h"
#include "TComSetupFrm.h"
#include "TerminalExtras.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstring>

class TestMainForm : public MainFormTest {
    Q_OBJECT

private Q_SLOTS:
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

    void aPortThatCannotOpenEndsTheStart()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=DEADPORT\nflags=1\nCustomBaud=19200\n");
        // The box keeps the error's text as its first line; the reason and a hint follow.
        QCOMPARE(m_messages.size(), 1);
        const QStringList lines = m_messages[0].split('\n');
        QCOMPARE(lines.value(0), QString("COM Port Error: Unable to open com port on DEADPORT"));
        QCOMPARE(lines.value(1), QString::fromLocal8Bit(std::strerror(ENOENT)));
        QVERIFY2(lines.value(2).contains("is not connected"), qPrintable(m_messages[0]));
        QCOMPARE(m_errors.take(), m_messages);
        QVERIFY(!form->ComPort->Connected());
        QCOMPARE(form->OpenBtn->text(), QString("Open Com"));
        // The rest of the start is skipped: rate, file synchronization, greeting.
        QCOMPARE(form->ComPort->CustomBaudRate(), 9600);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->RichEdit->plainText(), QString());
    }

    void aCustomRateThatIsNoNumberEndsTheStart()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\nflags=1\nCustomBaud=fast\n");
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
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
        QTest::mouseClick(form->OpenBtn, Qt::LeftButton);
        QVERIFY(!form->ComPort->Connected());
        QCOMPARE(form->OpenBtn->text(), QString("Com Port Open"));
        QTest::mouseClick(form->OpenBtn, Qt::LeftButton);
        QVERIFY(form->ComPort->Connected());
        QCOMPARE(form->OpenBtn->text(), QString("Com Port Close"));
    }

    void setupDialogAppliesOnOkOnly()
    {
        auto form = shownWith("[Hauptfenster]\nComPort=STUBA\n");
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
};

VELMAR_WINDOW_TEST_MAIN(TestMainForm)

#include "test_mainform.moc"
