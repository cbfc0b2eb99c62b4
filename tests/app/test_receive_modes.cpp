// The receive mode each operation of the main window leaves behind, on success and on failure,
// and the one inside a tool window while it is open.
#include "EConvertError.h"
#include "HexFiles.h"
#include "MainFormTest.h"
#include "RichLog.h"
#include "SettingsDialogs.h"
#include "TComPort.h"
#include "TFormDebug.h"
#include "TFormOneWire.h"
#include "WaitUntil.h"

#include <QPushButton>
#include <QToolButton>

class TestReceiveModes : public MainFormTest {
    Q_OBJECT
    std::unique_ptr<TMainForm> m_form;
    std::function<void()> m_inside; // what happens in the open tool window after its exchange
    int m_during = -1;              // the mode in the tool window after that; -1 where none opened
    bool m_cancel = false;          // the download is cancelled at its first block
    QString m_vlb;

    std::uint8_t mode() const { return m_form->RxMode(); }
    QString terminal() const { return m_form->RichEdit->plainText(); }
    // The board sends text of its own; true once all of it is in what `shownIn` gives.
    bool floodEndsIn(const std::function<QString()>& shownIn)
    {
        m_board.flood(20);
        return WaitUntil([&] { return shownIn().contains("flood end"); });
    }
    int inside()
    {
        if (m_inside)
            m_inside();
        m_during = mode();
        return 0;
    }
    // The file synchronization finds the byte code changed and downloads it.
    void syncDownload()
    {
        m_form->ByteCodeFileName = m_form->SyncFileName = m_vlb;
        m_form->SyncFileTime = {};
        m_form->Timer1Timer();
    }

    void startTestCase() override
    {
        MainFormTest::startTestCase();
        SetDebugWindowRunner([this](TFormDebug& w) {
            w.DebugButton->click();
            w.debug_timer->stop();
            w.OnTimer();
            // What the board sends between two polls is the answer text's, not the terminal's.
            const QString before = terminal();
            const bool taken = floodEndsIn([&] { return QString::fromLatin1(m_form->link().rx().RxText); });
            m_during = taken && terminal() == before ? mode() : -2;
            w.reject();
            return 0;
        });
        SetScriptMonitorRunner([this](TFormOneWire& w) {
            m_answer = m_dir.filePath("list.csv");
            w.LadenBtnClick();
            w.ExecuteRow(0);
            return inside();
        });
        SetSettingsDialogRunner([this](QDialog&) { return inside(); });
    }

private Q_SLOTS:
    void eachOperationLeavesItsMode()
    {
        m_board.animate = false;
        m_form = shownWith("[Hauptfenster]\nComPort=SIMBOARD\n");
        const QString hex = m_dir.filePath("fw.hex");
        writeFile(hex, hexFile(pattern(600)));
        writeFile(m_vlb = m_dir.filePath("prog.vlb"), "01:02:03\n");
        writeFile(m_dir.filePath("list.csv"), "CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\nACK;;;;;;;;;;\n");
        DownloadRunner::Frontend frontend = m_form->downloads().frontend();
        frontend.progress = [this, show = frontend.progress](const TransferProgress& p) {
            show(p);
            if (m_cancel)
                m_form->downloads().cancel();
        };
        m_form->downloads().setFrontend(frontend);

        auto& f = m_board.faults();
        const auto click = [](QAbstractButton* b) { return [b] { b->click(); }; };
        const auto closedPort = [&](QAbstractButton* b) {
            return [&, b] {
                m_form->ComPort->Close();
                b->click();
                m_form->ComPort->Open();
                QCOMPARE(m_errors.take().size(), 1);
            };
        };
        const auto firmware = [&] {
            m_answer = hex;
            m_form->LoadBtn->click();
        };
        const auto awl = [&] {
            m_answer = m_vlb;
            m_form->LoadByteCodeBtn->click();
        };
        const auto sync = [&] { syncDownload(); };
        const auto ack = [&] { m_form->link().SendTelegram(":aa0120a5\r", 100); };
        struct Row {
            const char* operation;
            std::function<void()> board, inside, run; // inside: what happens in the tool window
            int during;
            std::uint8_t after;
        };
        const Row rows[] = {
            {"telegram", {}, {}, ack, -1, 2},
            {"telegram unanswered", [&] { f.silent = true; }, {}, ack, -1, 2},
            {"telegram that does not convert",
             [&] { f.badGroup = true; },
             {},
             [&] { QVERIFY_THROWS_EXCEPTION(EConvertError, ack()); },
             -1,
             2},
            {"Send", {}, {}, click(m_form->BtSend), -1, 0},
            {"Send on a closed port", {}, {}, closedPort(m_form->BtSend), -1, 0},
            {"set system time", {}, {}, click(m_form->timeBtn), -1, 0},
            {"set system time on a closed port", {}, {}, closedPort(m_form->timeBtn), -1, 0},
            {"debug window", {}, {}, click(m_form->TestBtn), 2, 0},
            {"debug window refused", [&] { f.refuseAll = true; }, {}, click(m_form->TestBtn), 2, 0},
            {"script monitor", {}, {}, click(m_form->OneWireBtn), 2, 0},
            {"script monitor refused", [&] { f.refuseAll = true; }, {}, click(m_form->OneWireBtn), 2, 0},
            {"settings dialog", {}, {}, click(m_form->EinstellungenBtn), 2, 0},
            {"settings dispatch refused", [&] { f.refuseAll = true; }, {}, click(m_form->EinstellungenBtn), -1, 0},
            {"firmware download", {}, {}, firmware, -1, 0},
            {"firmware download, short answer to X", [&] { f.shortAreaEnd = true; }, {}, firmware, -1, 0},
            {"firmware download cancelled", [&] { m_cancel = true; }, {}, firmware, -1, 0},
            {"AWL download", {}, {}, awl, -1, 0},
            {"AWL download, firmware invalid", [&] { m_board.eeprom()[1] = 0xFF; }, {}, awl, -1, 0},
            // What the started firmware sends after its first line reaches the terminal.
            {"AWL sync in the script monitor",
             {},
             [&] {
                 syncDownload();
                 QVERIFY(floodEndsIn([&] { return terminal(); }));
             },
             click(m_form->OneWireBtn),
             0,
             0},
            {"AWL sync in the script monitor, verify differs", [&] { f.corruptReadbackAt = 0x1F001; }, sync,
             click(m_form->OneWireBtn), 0, 0},
            {"AWL sync in the script monitor cancelled", [&] { m_cancel = true; }, sync, click(m_form->OneWireBtn), 0,
             0},
            {"AWL sync in a settings dialog, short answer to X", [&] { f.shortAreaEnd = true; }, sync,
             click(m_form->EinstellungenBtn), 0, 0},
        };
        for (const Row& row : rows) {
            // A board that a failed download left in its bootloader runs its firmware again.
            if (m_board.inBootloader())
                m_form->link().write("E");
            QVERIFY(WaitUntil([&] { return !m_board.inBootloader(); }));
            f = SimFaults{};
            m_board.setKind(0);
            m_inside = row.inside;
            m_cancel = false;
            m_during = -1;
            m_form->link().rx().RxMode = RxWaitCr; // a mode no operation leaves behind
            if (row.board)
                row.board();
            row.run();
            const QString seen = QString("%1: %2 in the window, %3 after").arg(row.operation).arg(m_during).arg(mode());
            QVERIFY2(m_during == row.during && mode() == row.after, qPrintable(seen));
        }
        QCOMPARE(m_messages.size(), 2); // the closed port, twice
        m_form.reset();
    }
};

VELMAR_WINDOW_TEST_MAIN(TestReceiveModes)
#include "test_receive_modes.moc"
