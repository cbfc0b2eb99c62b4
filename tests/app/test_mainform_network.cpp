// The main window on a board behind the real ser2net (RFC 2217 as labgrid serves it, and raw
// tcp): the port from Settings.ini, the downloads, a settings read and the debug window's
// poll through the window's port; ser2net killed is one lost line, and its restart brings the
// port back by itself. "Setting Com" with network ports.
#include "DebugPoller.h"
#include "EepromByte.h"
#include "HexFiles.h"
#include "IniFile.h"
#include "RichLog.h"
#include "Ser2net.h"
#include "SimPort.h"
#include "SimProcess.h"
#include "StepReporter.h"
#include "TComPort.h"
#include "TComSetupFrm.h"
#include "TMainForm.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestMainFormNetwork : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void jobsLostLineAndReconnect_data()
    {
        QTest::addColumn<bool>("rfc2217");
        QTest::addRow("rfc2217") << true;
        QTest::addRow("raw tcp") << false;
    }
    void jobsLostLineAndReconnect()
    {
        QFETCH(bool, rfc2217);
        if (Ser2net::program().isEmpty())
            QSKIP(Ser2net::Missing);
        SimProcess sim(QStringLiteral(VELMAR_SIM_PROGRAM));
        QVERIFY(sim.start({"--block-size", "128"}));
        Ser2net server({{sim.devicePath(), rfc2217}});
        QVERIFY(server.start());
        const QString name = server.name();
        writeSettings("[Hauptfenster]\nComPort=" + name.toUtf8() + "\n");
        TMainForm form(MainFormEnvironment{settingsPath(), {}});
        show(form);
        QVERIFY(form.ComPort->Connected());
        QCOMPARE(form.PortStatus->text(),
                 rfc2217 ? name + " 57600 8N1, open" : name + " (line set at the far end), open");

        auto image = pattern(1000);
        std::fill(image.begin() + 256, image.begin() + 512, 0xFF);
        m_answer = m_dir.filePath("fw.hex");
        writeFile(m_answer, hexFile(image));
        form.LoadBtn->click();
        QVERIFY2(form.DownloadResult->text().startsWith("flash and verify passed"),
                 qPrintable(form.RichEdit->plainText()));
        m_answer = m_dir.filePath("p.vlb");
        writeFile(m_answer, "01:ff:ff:02\n");
        form.LoadByteCodeBtn->click();
        QVERIFY2(form.RichEdit->plainText().contains("start program"), qPrintable(form.RichEdit->plainText()));
        StepReporter steps(form.link(), *form.RichEdit);
        QVERIFY(EepromByte::read(steps, 0x0002).has_value());
        DebugPoller poller(form.link());
        poller.setActive(true);
        QVERIFY(poller.PollDigitalIO().has_value());

        server.kill();
        QVERIFY(WaitUntil([&] { return !form.ComPort->Connected(); }, 5000));
        QCOMPARE(m_errors.take(), QStringList{"COM Port Error: ReadFile function failed on " + name +
                                              "\nThe server closed the connection.\nser2net was stopped or restarted, "
                                              "the far host went down, or another connection took the port over."});
        QCOMPARE(form.RichEdit->plainText().count("connection lost, port closed: " + name +
                                                  ": the server closed the connection"),
                 1);
        QVERIFY(form.PortStatus->text().endsWith(", closed"));
        QVERIFY(server.start());
        QVERIFY(WaitUntil([&] { return form.ComPort->Connected(); }, 5000));
        QVERIFY(form.RichEdit->plainText().contains("reconnected: " + name + " is back, the port is open again"));
        QCOMPARE(form.link().SendTelegram(":aa0120a5\r"), std::uint8_t(0x20));
    }

    void setupDialogKeepsNetworkPortsAndSaysWhatReachesThem()
    {
        writeSettings("[Hauptfenster]\nComPort=SIM\nNetworkPorts=socket://10.0.0.5:4001 bogus\n");
        SimPort simulated;
        {
            TMainForm form(MainFormEnvironment{settingsPath(), {}});
            show(form);
            QStringList shown;
            bool linesOn = true;
            SetSetupDialogRunner([&](TComSetupFrm& dialog) -> int {
                dialog.ComboPort->setEditText("socket://10.0.0.5:4001");
                linesOn = dialog.ComboBaudRate->isEnabled() || dialog.ComboFlow->isEnabled();
                shown << dialog.PortInfo->text();
                dialog.ComboPort->setEditText("rfc2217://[::1]:7001");
                shown << dialog.PortInfo->text() << QString::number(dialog.ComboBaudRate->isEnabled());
                dialog.ComboPort->setEditText("SIM");
                return int(QDialog::Rejected);
            });
            QTest::mouseClick(form.SettingBtn, Qt::LeftButton);
            SetSetupDialogRunner({});
            QVERIFY(!linesOn);
            QCOMPARE(shown, QStringList({"raw TCP port on 10.0.0.5, TCP port 4001: the line settings cannot reach the "
                                         "far port through raw TCP; set them there (ser2net's configuration, the "
                                         "device server's own page)",
                                         "RFC 2217 port on ::1, TCP port 7001: the line settings below are sent to the "
                                         "far port",
                                         "1"}));
            // Chosen with OK, a network port is kept in the list even when nothing answers there.
            SetSetupDialogRunner([&](TComSetupFrm& dialog) -> int {
                dialog.ComboPort->setEditText(QString("rfc2217://127.0.0.1:%1").arg(Ser2net::freePort()));
                return int(QDialog::Accepted);
            });
            QTest::mouseClick(form.SettingBtn, Qt::LeftButton);
            SetSetupDialogRunner({});
            QCOMPARE(firstLine(m_errors.take()),
                     QString("COM Port Error: Unable to open com port on " + form.ComPort->Port()));
            QVERIFY(form.close());
        }
        const QString kept = IniFile(settingsPath()).ReadString("Hauptfenster", "NetworkPorts", "");
        QVERIFY2(kept.startsWith("rfc2217://127.0.0.1:") && kept.endsWith(" socket://10.0.0.5:4001"), qPrintable(kept));
    }

private:
    static QString firstLine(const QStringList& errors) { return errors.value(0).section('\n', 0, 0); }
};

VELMAR_WINDOW_TEST_MAIN(TestMainFormNetwork)

#include "test_mainform_network.moc"
