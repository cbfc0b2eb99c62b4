// The settings dialogs as the user meets them: opened by the main window's "Einstellungen"
// button for the kind of the simulated board, read on show, written by "write".
#include "EConvertError.h"
#include "RichLog.h"
#include "SettingsDialogs.h"
#include "ShowAndSettle.h"
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "SimRig.h"
#include "TComPort.h"
#include "TFormEXM62.h"
#include "TFormEinst.h"
#include "TFormEinst_K03.h"
#include "TFormEinst_LCD.h"
#include "TMainForm.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

const QString ReadLog = QStringLiteral("select address: 0x0002  pass\n read: 0x%1 ");

struct Shown {
    QString objectName, title;
    bool parentIsMainForm = false;
    bool debugTicked = true;
    QString log;
};

} // namespace

class TestSettingsDialogs : public WindowTest {
    Q_OBJECT
    void endCase() override { SetSettingsDialogRunner({}); }

private Q_SLOTS:
    void readOnShowFillsTheControlsFromTheEeprom()
    {
        SimRig rig;
        rig.board.eeprom()[2] = 0x2F; // CAN, RS232 (over I2C and on board), push button
        TFormEinst dialog(rig.link, nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Einstellungen Velmar R1, R07, R08"));
        QVERIFY(dialog.RBLcdOff->isChecked());
        QVERIFY(!dialog.CB_0x40->isChecked() && !dialog.CB_0x10->isChecked() && !dialog.CB_0x20->isChecked());
        dialog.RichEdit->addLine("left over");

        QVERIFY(showAndSettle(dialog, rig.board, 2));
        QCOMPARE(dialog.RichEdit->plainText(), ReadLog.arg("2F"));
        QCOMPARE(dialog.RichEdit->color(), LogColors::Yellow);
        QVERIFY(dialog.RBLcdOnRS232->isChecked());
        QVERIFY(!dialog.RBLcdOnI2C->isChecked() && !dialog.RBLcdOnBoard->isChecked() && !dialog.RBLcdOff->isChecked());
        QVERIFY(dialog.CB_0x40->isChecked());
        QVERIFY(!dialog.CB_0x10->isChecked());
        QVERIFY(dialog.CB_0x20->isChecked());
        QCOMPARE(rig.board.telegramLog(), QList<QByteArray>({":aa03320200a5", ":aa023401a5"}));

        // Shown again (restored from the task bar): neither cleared nor read again.
        dialog.hide();
        dialog.show();
        QTest::qWait(50);
        QCOMPARE(rig.board.telegramLog().size(), 2);
        QCOMPARE(dialog.RichEdit->plainText(), ReadLog.arg("2F"));

        // A read without an answer leaves the controls as they are.
        dialog.RBLcdOnBoard->click();
        dialog.CB_0x10->click();
        rig.board.faults().wrongStart = true;
        dialog.RichEdit->clear();
        dialog.Button1->click();
        QCOMPARE(dialog.RichEdit->plainText(), QString("select address: 0x0002  timeout\n read:   timeout"));
        QVERIFY(dialog.RBLcdOnBoard->isChecked());
        QVERIFY(dialog.CB_0x10->isChecked() && dialog.CB_0x40->isChecked() && dialog.CB_0x20->isChecked());
    }

    void writePutsTheSelectionIntoTheEeprom()
    {
        SimRig rig;
        rig.board.eeprom()[2] = 0xC1;
        TFormEinst dialog(rig.link, nullptr);
        QVERIFY(showAndSettle(dialog, rig.board, 2));
        QVERIFY(dialog.CB_0x40->isChecked());
        QVERIFY(dialog.RBLcdOff->isChecked());

        dialog.Button2->click();
        QCOMPARE(rig.board.eeprom()[2], std::uint8_t(0x01));
        QCOMPARE(rig.board.telegramLog().mid(2), QList<QByteArray>({":aa03320200a5", ":aa023301a5"}));

        dialog.RBLcdOnI2C->click();
        dialog.CB_0x40->click();
        dialog.CB_0x10->click();
        dialog.CB_0x20->click();
        dialog.RichEdit->clear();
        dialog.Button2->click();
        QCOMPARE(rig.board.eeprom()[2], std::uint8_t(0x34));
        QCOMPARE(dialog.RichEdit->plainText(), QString("select address: 0x0002  pass\n write 0x34  pass"));

        // Read back into a fresh dialog.
        TFormEinst again(rig.link, nullptr);
        QVERIFY(showAndSettle(again, rig.board, 8));
        QVERIFY(again.RBLcdOnI2C->isChecked());
        QVERIFY(!again.CB_0x40->isChecked() && again.CB_0x10->isChecked() && again.CB_0x20->isChecked());
    }

    void clearWindowAndDebugTelegram()
    {
        SimRig rig;
        auto dialog = std::make_unique<TFormEinst>(rig.link, nullptr);
        QVERIFY(showAndSettle(*dialog, rig.board, 2));
        dialog->BrClear->click();
        QCOMPARE(dialog->RichEdit->plainText(), QString());

        QVERIFY(!dialog->CBDebugTelegram->isChecked());
        dialog->CBDebugTelegram->click();
        QVERIFY(rig.link.TelegramEcho());
        rig.terminal.clear();
        dialog->Button1->click();
        QVERIFY(rig.terminal.text().startsWith(":aa03320200a5\r\n:aa0120a5\r"));
        dialog->CBDebugTelegram->click();
        QVERIFY(!rig.link.TelegramEcho());

        // Closing keeps the echo as the box left it; the next dialog starts unticked.
        dialog->CBDebugTelegram->click();
        dialog->close();
        dialog.reset();
        TFormEXM62 next(rig.link, nullptr);
        QVERIFY(!next.CBDebugTelegram->isChecked());
        QVERIFY(rig.link.TelegramEcho());
        next.CBDebugTelegram->click();
        next.CBDebugTelegram->click();
        QVERIFY(!rig.link.TelegramEcho());
    }

    void aClickDuringAWaitIsRefused()
    {
        SimRig rig;
        rig.board.faults().answerDelayMs = 150;
        TFormEinst dialog(rig.link, nullptr);
        // The clicks come while the read on show waits for its first answer.
        QTimer::singleShot(60, &dialog, [&] {
            QVERIFY(rig.link.busy());
            dialog.Button2->click();
            dialog.Button1->click();
        });
        dialog.show();
        QVERIFY(QTest::qWaitFor([&] { return rig.board.telegramLog().size() == 2 && !rig.link.busy(); }));
        QTest::qWait(400);
        QCOMPARE(rig.board.telegramLog().size(), 2);
        QCOMPARE(dialog.RichEdit->plainText(), QString("busy, please wait\nbusy, please wait\n"
                                                       "select address: 0x0002  pass\n read: 0x13 "));
        QVERIFY(rig.terminal.text().contains("line busy, refused: write"));
    }

    void theButtonOpensTheDialogOfTheBoardKind()
    {
        SimBoard board;
        TCustomComPort::RegisterBackend("SETSIM",
                                        [&board](const QString&) { return std::make_unique<SimPortBackend>(&board); });
        TMainForm form(MainFormEnvironment{settingsPath(), {}});
        form.ComPort->SetPort("SETSIM");
        form.ComPort->Open();
        QVERIFY(form.EinstellungenBtn->isEnabled());

        QList<Shown> shown;
        SetSettingsDialogRunner([&](QDialog& dialog) {
            auto& d = static_cast<TFormEinstBase&>(dialog);
            d.show();
            QTest::qWait(50);
            (void)QTest::qWaitFor([&] { return !form.link().busy(); });
            shown.append({d.objectName(), d.windowTitle(), d.parentWidget() == &form, d.CBDebugTelegram->isChecked(),
                          d.RichEdit->plainText()});
            return 0;
        });
        struct Kind {
            std::uint8_t kind;
            QString objectName, title;
        } kinds[] = {
            {0, "FormEinst", "Einstellungen Velmar R1, R07, R08"},
            {1, "FormEinst_K03", "Einstellungen ATmega128 & AT90CAN128"},
            {2, "FormEinst_LCD", "Einstellungen  LCD Modul"},
            {16, "FormEXM62", "Einstellungen"},
        };
        for (const auto& k : kinds) {
            board.setKind(k.kind);
            board.eeprom()[2] = 0x13;
            shown.clear();
            form.RichEdit->clear();
            form.RichEdit->addLine("before");
            form.EinstellungenBtn->click();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].objectName, k.objectName);
            QCOMPARE(shown[0].title, k.title);
            QVERIFY(shown[0].parentIsMainForm);
            QVERIFY(!shown[0].debugTicked);
            // The base board and the CPU board read on show, the two modules do not.
            QCOMPARE(shown[0].log, k.kind <= 1 ? ReadLog.arg("13") : QString());
            QCOMPARE(form.RxMode(), std::uint8_t(RxTerminal));
            QCOMPARE(form.RichEdit->plainText(), QString("before\n")); // just the empty line
        }
        // No dialog for other kinds, and the dialogs are gone after closing.
        board.setKind(3);
        shown.clear();
        form.EinstellungenBtn->click();
        QVERIFY(shown.isEmpty());
        QCOMPARE(form.RxMode(), std::uint8_t(RxTerminal));
        QVERIFY(form.findChildren<TFormEinstBase*>().isEmpty());

        // An answer that does not convert ends the dispatch, yet the terminal gets its mode back.
        board.faults().badGroup = true;
        QVERIFY_THROWS_EXCEPTION(EConvertError, form.BtnEinstellungenClick());
        QCOMPARE(form.RxMode(), std::uint8_t(RxTerminal));
        board.faults().badGroup = false;

        form.ComPort->Close();
        TCustomComPort::UnregisterBackend("SETSIM");
    }
};

VELMAR_WINDOW_TEST_MAIN(TestSettingsDialogs)

#include "test_settings_dialogs.moc"
