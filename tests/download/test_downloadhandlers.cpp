#include "Bootloader.h"
#include "HexFiles.h"
#include "RichLog.h"
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "TCustomComPort.h"
#include "TMainForm.h"
#include "TransferProgressBar.h"
#include "WindowTest.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

// The download buttons and the file synchronization of the main window on a simulated board.
class TestDownloadHandlers : public WindowTest {
    Q_OBJECT
    SimBoard* m_board = nullptr;

    std::unique_ptr<TMainForm> makeForm(const QByteArray& settings = "[Hauptfenster]\nComPort=DLSIM\n")
    {
        writeSettings(settings);
        auto form = std::make_unique<TMainForm>(MainFormEnvironment{settingsPath(), {}});
        show(*form);
        return form;
    }
    static QString log(TMainForm& form) { return form.RichEdit->plainText(); }
    static void stamp(const QString& path, const QDateTime& when)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
    }

    void startTestCase() override
    {
        WindowTest::startTestCase();
        TCustomComPort::RegisterBackend("DLSIM", [this](const QString&) {
            auto b = std::make_unique<SimPortBackend>();
            m_board = &b->board();
            m_board->setBlockSize(128);
            return b;
        });
    }

private Q_SLOTS:
    void firmwareButtonRunsTheDownloadWithTheToolbarOff()
    {
        auto form = makeForm();
        QVERIFY(form->LoadBtn->isEnabled());
        QVERIFY(form->LoadByteCodeBtn->isEnabled());
        m_answer = m_dir.filePath("fw.hex");
        writeFile(m_answer, hexFile(pattern(1000)));
        bool toolbarOff = false;
        QString progress;
        DownloadRunner::Frontend frontend = form->downloads().frontend();
        frontend.progress = [&, show = frontend.progress](const TransferProgress& p) {
            toolbarOff = !form->ToolBar->isEnabled() && form->DownloadProgress->isVisible();
            show(p);
            progress = form->DownloadProgress->text();
        };
        form->downloads().setFrontend(frontend);
        form->LoadBtn->click();
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs[0].initialName, QString("*.Hex"));
        QCOMPARE(m_dialogs[0].filter, QString("Hex File (*.hex)|*.hex|all files (*.*)|*.*"));
        QCOMPARE(m_dialogs[0].extension, QString("*.hex"));
        QCOMPARE(form->FirmwareFileName, m_answer);
        QVERIFY2(log(*form).contains("execute SPS program "), qPrintable(log(*form)));
        QVERIFY(toolbarOff);
        QVERIFY(progress.startsWith("verify: block 8 of 8, "));
        QVERIFY(form->ToolBar->isEnabled());
        QVERIFY(!form->DownloadProgress->isVisible());
        QCOMPARE(form->RxMode(), std::uint8_t(0));
        QVERIFY(!form->link().busy());
        // The bytes the file was written from, not the tool's own reading of it.
        const auto written = pattern(1000);
        QVERIFY(std::equal(written.begin(), written.end(), m_board->flash().begin()));
        QVERIFY(!log(*form).contains("Fehler bei Adresse"));
        QVERIFY(m_messages.isEmpty());
    }

    void cancelStopsTheDownloadAndTheStatusBarNamesTheResult()
    {
        auto form = makeForm();
        m_answer = m_dir.filePath("fw.hex");
        writeFile(m_answer, hexFile(pattern(2000))); // 16 blocks
        bool progressDuringDialog = true;
        m_duringDialog = [&] { progressDuringDialog = form->DownloadProgress->isVisible(); };
        const DownloadRunner::Frontend original = form->downloads().frontend();
        DownloadRunner::Frontend frontend = original;
        frontend.progress = [&, show = frontend.progress](const TransferProgress& p) {
            show(p);
            if (p.pass == TransferProgress::Pass::Flash && p.block == 3)
                form->DownloadProgress->cancelButton()->click();
        };
        form->downloads().setFrontend(frontend);
        form->LoadBtn->click();
        QVERIFY(!progressDuringDialog); // no "connecting" while the user still chooses
        QCOMPARE(form->DownloadResult->text(), QString("cancelled at block 4 of 16"));
        QVERIFY2(
            log(*form).contains("\ncancelled at block 4 of 16; the board waits in its bootloader: download again\n"),
            qPrintable(log(*form)));
        QVERIFY(!log(*form).contains("verify device"));
        QVERIFY(m_board->inBootloader());
        QVERIFY(form->ToolBar->isEnabled());
        QVERIFY(!form->DownloadProgress->isVisible());

        // Downloaded again from the bootloader it waits in.
        form->downloads().setFrontend(original);
        form->LoadBtn->click();
        QVERIFY2(form->DownloadResult->text().startsWith("flash and verify passed, 2 000 bytes in "),
                 qPrintable(form->DownloadResult->text()));
        QVERIFY(log(*form).contains("execute SPS program "));
        QVERIFY(!m_board->inBootloader());
        QVERIFY(m_messages.isEmpty());
    }

    void theMenuReadsTheFirmwareAndVerifiesAFileWithoutWriting()
    {
        auto form = makeForm();
        QCOMPARE(form->LoadBtn->text(), QString("Download Firmware"));
        QCOMPARE(form->LoadBtn->popupMode(), QToolButton::MenuButtonPopup);
        QCOMPARE(form->LoadBtn->menu()->actions(),
                 (QList<QAction*>{form->ReadFirmwareAction, form->VerifyFirmwareAction}));
        QCOMPARE(form->ReadFirmwareAction->text(), QString("read firmware into file…"));
        QCOMPARE(form->VerifyFirmwareAction->text(), QString("verify against file…"));
        const auto image = pattern(1000);
        std::copy(image.begin(), image.end(), m_board->flash().begin());
        m_answer = m_dir.filePath("read.hex");

        // The same Cancel; the flash was not touched, and the log says so.
        const DownloadRunner::Frontend original = form->downloads().frontend();
        DownloadRunner::Frontend frontend = original;
        frontend.progress = [&, show = frontend.progress](const TransferProgress& p) {
            show(p);
            if (p.block == 3)
                form->DownloadProgress->cancelButton()->click();
        };
        form->downloads().setFrontend(frontend);
        form->ReadFirmwareAction->trigger();
        QCOMPARE(m_dialogs.last().title, QString("read firmware into file"));
        QCOMPARE(form->DownloadResult->text(), QString("cancelled at block 4 of 992"));
        QVERIFY2(log(*form).contains("\ncancelled at block 4 of 992; the board waits in its bootloader, its flash as "
                                     "it was: run a job again, or switch it off and on\n"),
                 qPrintable(log(*form)));
        QVERIFY(!QFile::exists(m_answer));

        form->downloads().setFrontend(original);
        form->ReadFirmwareAction->trigger();
        QVERIFY2(form->DownloadResult->text().startsWith("firmware read, 126 976 bytes in "),
                 qPrintable(form->DownloadResult->text()));
        QCOMPARE(form->ReadFirmwareFileName, m_answer);
        // The file read ends with a whole record, erased bytes 1000 to 1007 included.
        form->VerifyFirmwareAction->trigger();
        QCOMPARE(m_dialogs.last().title, QString("verify against file"));
        QVERIFY2(form->DownloadResult->text().startsWith("verify passed, 1 008 bytes in "),
                 qPrintable(form->DownloadResult->text()));
        QCOMPARE(form->FirmwareFileName, m_answer);

        for (const int at : {0x123, 0x124, 0x200, 0x3E7})
            m_board->flash()[at] ^= 0x5A;
        form->VerifyFirmwareAction->trigger();
        QCOMPARE(form->DownloadResult->text(), QString("verify failed at $0123, 4 bytes differ"));
        QVERIFY(log(*form).contains("\n Fehler bei Adresse: soll [$0123] $FE    ist: [$0023] $A4\n"));
        QVERIFY(log(*form).contains(".\n4 bytes differ\nbootloader exit \n"));
        QCOMPARE(m_board->bootloader().blocksWritten(), 0);
        QVERIFY(!m_board->inBootloader());
        QVERIFY(form->ToolBar->isEnabled());
        QVERIFY(m_messages.isEmpty());
    }

    void cancelledFirmwareDialogKeepsTheName()
    {
        auto form = makeForm();
        form->LoadBtn->click();
        QCOMPARE(form->FirmwareFileName, QString("*.Hex"));
        QCOMPARE(form->RxMode(), std::uint8_t(0));
        QVERIFY(!log(*form).contains("load file"));
    }

    void awlButtonAndFileSynchronization()
    {
        const QString file = m_dir.filePath("prog.vlb");
        writeFile(file, "01:02:03\n");
        stamp(file, QDateTime(QDate(2026, 1, 2), QTime(10, 0, 0)));
        auto form = makeForm("[Hauptfenster]\nComPort=DLSIM\nflags=1\nFilenameByteCode=" + file.toUtf8() + "\n");
        QVERIFY(form->Timer1->isActive());

        // Cancelled: the remembered file is watched all the same.
        form->LoadByteCodeBtn->click();
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs[0].initialName, file);
        QCOMPARE(m_dialogs[0].filter, QString("AWL (*.vlb)|*.vlb|all files (*.*)|*.*"));
        QCOMPARE(m_dialogs[0].extension, QString("*.vlb"));
        QCOMPARE(form->SyncFileName, file);
        QCOMPARE(form->SyncFileTime, QDateTime(QDate(2026, 1, 2), QTime(10, 0, 0)));
        QVERIFY(!log(*form).contains("load file"));

        form->Timer1->stop(); // the ticks are driven by hand from here on
        form->Timer1Timer();
        QVERIFY(!log(*form).contains("load file"));

        // The file changes while another exchange holds the line: nothing starts yet.
        stamp(file, QDateTime(QDate(2026, 1, 2), QTime(10, 0, 6)));
        {
            Link::Hold busy(form->link());
            form->Timer1Timer();
        }
        QVERIFY(!log(*form).contains("load file"));
        QCOMPARE(form->SyncFileTime, QDateTime(QDate(2026, 1, 2), QTime(10, 0, 0)));

        form->Timer1Timer();
        QCOMPARE(form->SyncFileTime, QDateTime(QDate(2026, 1, 2), QTime(10, 0, 6)));
        const QString text = log(*form);
        QVERIFY2(text.contains("load file\n " + file + "\nload AWL size, 3 bytes\ncontact Velmar "), qPrintable(text));
        QVERIFY(text.contains("start program"));
        QVERIFY(!text.contains("Fehler bei Adresse"));
        QCOMPARE(m_board->flash()[0x1F000], std::uint8_t(0x01));
        QCOMPARE(m_board->flash()[0x1F001], std::uint8_t(0x02));
        QCOMPARE(m_board->flash()[0x1F002], std::uint8_t(0x03));
        QCOMPARE(m_board->flash()[0x1F003], std::uint8_t(0xFF));
        QCOMPARE(form->RxMode(), std::uint8_t(0));

        // Once per change.
        form->RichEdit->clear();
        form->Timer1Timer();
        QCOMPARE(log(*form), QString());
    }

    void awlButtonWithAFile()
    {
        auto form = makeForm();
        m_answer = m_dir.filePath("b.vlb");
        writeFile(m_answer, "\"AB\":10\n");
        form->LoadByteCodeBtn->click();
        QCOMPARE(form->ByteCodeFileName, m_answer);
        QCOMPARE(form->SyncFileName, m_answer);
        QVERIFY(form->SyncFileTime.isValid());
        QVERIFY2(log(*form).contains("load AWL size, 5 bytes"), qPrintable(log(*form)));
        // The quote, A, B, the quote and 0x10, as the file says.
        const QByteArray awl = "\"AB\"\x10";
        QVERIFY(std::equal(awl.begin(), awl.end(), m_board->flash().begin() + 0x1F000));
        QVERIFY(!log(*form).contains("Fehler bei Adresse"));
        QVERIFY(form->ToolBar->isEnabled());
    }

    void secondDownloadIsRefusedWhileOneRuns()
    {
        auto form = makeForm();
        m_answer = m_dir.filePath("c.vlb");
        writeFile(m_answer, "01\n");
        QTimer::singleShot(300, [&] { form->LoadByteCode(m_answer); });
        form->LoadByteCodeBtn->click();
        QVERIFY(log(*form).contains("line busy, refused: Download AWL"));
        QCOMPARE(log(*form).count("start program"), 1);
    }
};

VELMAR_WINDOW_TEST_MAIN(TestDownloadHandlers)

#include "test_downloadhandlers.moc"
