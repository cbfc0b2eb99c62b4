// The dialogs of the CPU board, the LCD module and the I/O module, and the reset counters
// in all four dialogs, clicked as a user would against the simulated board.
#include "FileBytes.h"
#include "Prompts.h"
#include "RichLog.h"
#include "ShowAndSettle.h"
#include "SimRig.h"
#include "TFormEXM62.h"
#include "TFormEinst.h"
#include "TFormEinst_K03.h"
#include "TFormEinst_LCD.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// Clicks through the event system, so that an escaped error reaches the general handler.
void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

} // namespace

class TestModuleDialogs : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void resetCountersInEveryDialog()
    {
        SimRig rig;
        for (std::uint8_t i = 0; i < 10; ++i)
            rig.board.eeprom()[0x16 + i] = i + 1;
        std::vector<std::unique_ptr<TFormEinstBase>> dialogs;
        dialogs.push_back(std::make_unique<TFormEinst>(rig.link, nullptr));
        dialogs.push_back(std::make_unique<TFormEinst_K03>(rig.link, nullptr));
        dialogs.push_back(std::make_unique<TFormEinst_LCD>(rig.link, nullptr));
        dialogs.push_back(std::make_unique<TFormEXM62>(rig.link, nullptr));
        for (auto& d : dialogs) {
            // The base board and the CPU board read on show first.
            const bool readsOnShow = qobject_cast<TFormEinst*>(d.get()) || qobject_cast<TFormEinst_K03*>(d.get());
            QVERIFY2(showAndSettle(*d, rig.board, rig.board.telegramLog().size() + (readsOnShow ? 2 : 0)),
                     qPrintable(d->objectName()));
            QTest::qWait(20);
            QCOMPARE(d->BrReadResetCounter->text(), QString("read reset counter"));
            QCOMPARE(d->BtResetCounter->text(), QString("clear reset counter"));
            d->RichEdit->clear();
            d->BrReadResetCounter->click();
            QCOMPARE(d->RichEdit->plainText().split('\n').mid(2),
                     QStringList({"EEPR = ", "Reset Counter: $02$01", "      external: $04$03",
                                  "     brown out: $06$05", "      watchdog: $08$07", "          itag: $0A$09"}));
            d->BtResetCounter->click();
            QVERIFY(
                d->RichEdit->plainText().endsWith("Adresse senden: 0x0016  pass\nClear Reset Counter:   pass  pass"));
            for (std::size_t i = 0x16; i < 0x20; ++i)
                QCOMPARE(rig.board.eeprom()[i], std::uint8_t(0));
            for (std::uint8_t i = 0; i < 10; ++i)
                rig.board.eeprom()[0x16 + i] = i + 1;
            d->close();
        }
    }

    void ioModuleAddress()
    {
        SimRig rig;
        rig.board.setKind(16);
        TFormEXM62 dialog(rig.link, nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Einstellungen"));
        QCOMPARE(dialog.GBoxOW->title(), QString("I2C Adresse "));
        dialog.show();
        QTest::qWait(30);
        QVERIFY(rig.board.telegramLog().isEmpty()); // no read on show
        QVERIFY(dialog.EditI2C->text().isEmpty());

        dialog.Button1->click();
        QCOMPARE(dialog.EditI2C->text(), QString("40"));
        dialog.Button2->click();
        QCOMPARE(rig.board.telegramLog().last(), QByteArray(":aa023340a5"));

        dialog.EditI2C->setText("1FF");
        dialog.Button2->click();
        QCOMPARE(rig.board.eeprom()[3], std::uint8_t(0xFF));

        // Not hex: the conversion error after the address select, and nothing written.
        for (const char* text : {"", "4x"}) {
            dialog.EditI2C->setText(text);
            dialog.RichEdit->clear();
            const qsizetype before = rig.board.telegramLog().size();
            click(dialog.Button2);
            QCOMPARE(m_messages.takeLast(), QStringLiteral("'%1' is not a valid integer value").arg(text));
            QCOMPARE(m_errors.take(), QStringList{QStringLiteral("'%1' is not a valid integer value").arg(text)});
            QCOMPARE(dialog.RichEdit->plainText(), QString("Adresse senden: 0x0003  pass"));
            QCOMPARE(rig.board.telegramLog().size(), before + 1);
        }
        QCOMPARE(rig.board.eeprom()[3], std::uint8_t(0xFF));

        // A read without an answer keeps the edit.
        rig.board.faults().wrongEnd = true;
        dialog.Button1->click();
        QCOMPARE(dialog.EditI2C->text(), QString("4x"));
    }

    void cpuBoardBits_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("lcd");
        QTest::addColumn<bool>("sdCard");
        QTest::addColumn<int>("written");
        QTest::newRow("RS232 only") << 0x08 << "RBLcdOnRS232" << false << 0x08;
        QTest::newRow("bit 0 only") << 0x01 << "RBLcdOff" << false << 0x00;
        QTest::newRow("SD card") << 0x40 << "RBLcdOff" << true << 0x40;
        QTest::newRow("all") << 0xFF << "RBLcdOnRS232" << true << 0x78;
    }
    void cpuBoardBits()
    {
        QFETCH(int, byte);
        QFETCH(QString, lcd);
        QFETCH(bool, sdCard);
        QFETCH(int, written);
        SimRig rig;
        rig.board.setKind(1);
        rig.board.eeprom()[2] = std::uint8_t(byte);
        TFormEinst_K03 dialog(rig.link, nullptr);
        QCOMPARE(dialog.GBoxLCD->title(), QString("hw selection"));
        QVERIFY(showAndSettle(dialog, rig.board, 2));
        const QString digits = QString::number(byte, 16).rightJustified(2, '0').toUpper();
        QCOMPARE(dialog.RichEdit->plainText(), "select address: 0x0002  pass\n read: 0x" + digits + " ");
        QVERIFY(dialog.findChild<QRadioButton*>(lcd)->isChecked());
        QCOMPARE(dialog.CB_0x40->isChecked(), sdCard);
        QCOMPARE(dialog.CB_0x10->isChecked(), bool(byte & 0x10));
        dialog.Button2->click();
        QCOMPARE(int(rig.board.eeprom()[2]), written);
        QCOMPARE(
            rig.board.telegramLog().mid(2),
            QList<QByteArray>({":aa03320200a5",
                               ":aa0233" + QByteArray::number(written, 16).rightJustified(2, '0').toUpper() + "a5"}));
    }

    void cpuBoardFileCopy()
    {
        SimRig rig;
        rig.board.setKind(1);
        m_link = &rig.link;
        TFormEinst_K03 dialog(rig.link, nullptr);
        QVERIFY(showAndSettle(dialog, rig.board, 2));
        QCOMPARE(dialog.ButtonUF->text(), QString("upload file"));
        QCOMPARE(dialog.ButtonDF->text(), QString("download file"));
        const qsizetype afterShow = rig.board.telegramLog().size();

        // Cancelled: nothing is sent, nothing logged.
        dialog.RichEdit->clear();
        dialog.ButtonDF->click();
        dialog.ButtonUF->click();
        QCOMPARE(rig.board.telegramLog().size(), afterShow);
        QCOMPARE(dialog.RichEdit->plainText(), QString());
        QCOMPARE(m_dialogs.size(), 2);
        for (const auto& call : m_dialogs) {
            QCOMPARE(call.initialName, QString());
            QCOMPARE(call.filter, QString("Byte Code (*.txt)|*.txt|alle Dateien (*.*)|*.*"));
            QCOMPARE(call.extension, QString("*.txt"));
            // No timer may start an exchange while the user chooses.
            QVERIFY(call.lineBusy);
        }
        QVERIFY(!rig.link.busy());
        // As the real dialog shows it: "alle Dateien" offers every file, also one without a dot.
        QFileDialog shown;
        Prompts::prepareFileDialog(shown, QString(), TFormEinst_K03::FileFilter, TFormEinst_K03::DefaultExtension);
        QCOMPARE(shown.nameFilters(), QStringList({"Byte Code (*.txt)", "alle Dateien (*)"}));
        QCOMPARE(shown.defaultSuffix(), QString("txt"));

        m_answer = m_dir.filePath("ab.txt");
        QFile f(m_answer);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ab\n\nc\n");
        f.close();
        dialog.ButtonDF->click();
        QCOMPARE(dialog.RichEdit->color(), LogColors::Green);
        QCOMPARE(dialog.RichEdit->plainText(), QString("open file ab.txt  pass\nwrite file: ..\nclose file:   pass"));
        QCOMPARE(rig.board.telegramLog().mid(afterShow + 1, 2),
                 QList<QByteArray>({":aa047161620aa5", ":aa0371630aa5"}));
        QCOMPARE(rig.board.sdCard().file("ab.txt"), QByteArray("ab\nc\n"));

        QVERIFY(QFile::remove(m_answer));
        dialog.RichEdit->clear();
        dialog.ButtonUF->click();
        QCOMPARE(FileBytes(m_answer), QByteArray("ab\r\nc\r\n"));
        QCOMPARE(dialog.RichEdit->plainText(),
                 QString("open file ab.txt  pass\nread file: \nab\nc\nclose file:   pass"));

        // A PC file that cannot be made: the general error report, and the card's file stays open.
        m_answer = m_dir.filePath("missing/ab.txt");
        const qsizetype before = rig.board.telegramLog().size();
        click(dialog.ButtonUF);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].startsWith("Cannot create file \"" + QDir::toNativeSeparators(m_answer) + "\". "));
        QCOMPARE(m_errors.take(), m_messages);
        QCOMPARE(rig.board.telegramLog().size(), before + 1);
        QVERIFY(rig.board.sdCard().fileOpen());
    }

    void lcdModuleSettings()
    {
        SimRig rig;
        rig.board.setKind(2);
        rig.board.eeprom()[2] = 0x00;
        TFormEinst_LCD dialog(rig.link, nullptr);
        QCOMPARE(dialog.GBoxLCD->title(), QString("LCD Schnittstelle"));
        QCOMPARE(dialog.GroupBox1->title(), QString("one wire 64 bit Adressen"));
        dialog.show();
        QTest::qWait(30);
        QVERIFY(rig.board.telegramLog().isEmpty());
        QVERIFY(!dialog.RBLcdOnI2C->isChecked());

        dialog.Button2->click();
        QCOMPARE(rig.board.telegramLog().last(), QByteArray(":aa023300a5"));
        // Once selected it stays selected: a click does not clear it, nor a read of a clear bit.
        dialog.RBLcdOnI2C->click();
        dialog.RBLcdOnI2C->click();
        QVERIFY(dialog.RBLcdOnI2C->isChecked());
        dialog.Button1->click();
        QVERIFY(dialog.RichEdit->plainText().endsWith("EEPR = $00 "));
        QVERIFY(dialog.RBLcdOnI2C->isChecked());
        dialog.Button2->click();
        QCOMPARE(rig.board.eeprom()[2], std::uint8_t(0x04));
        QVERIFY(dialog.RichEdit->plainText().endsWith("04 in das EEPROM schreiben:   pass"));

        TFormEinst_LCD other(rig.link, nullptr);
        other.Button1->click();
        QVERIFY(other.RBLcdOnI2C->isChecked());
    }

    void lcdModuleTable()
    {
        SimRig rig;
        rig.board.animate = false;
        rig.board.setKind(2);
        TFormEinst_LCD dialog(rig.link, nullptr);
        dialog.show();
        QCOMPARE(dialog.Edit_ow[7]->objectName(), QString("Edit_ow7"));

        dialog.BtOw_read->click();
        QCOMPARE(dialog.EditOwAnz->text(), QString("02"));
        QCOMPARE(dialog.Edit_ow[0]->text(), QString("28292A2B2C2D2E2F303132"));
        QCOMPARE(dialog.Edit_ow[2]->text(), QString(22, '0'));
        QCOMPARE(rig.board.telegramLog().size(), 10);

        dialog.EditOwAnz->setText("3");
        dialog.Edit_ow[2]->setText("0102030405060708090a0b");
        dialog.Edit_ow[3]->setText("123"); // written as zeros
        dialog.BtOw_write->click();
        QCOMPARE(rig.board.telegramLog()[11], QByteArray(":aa023303a5"));
        QCOMPARE(rig.board.telegramLog()[14], QByteArray(":aa0c330102030405060708090a0ba5"));
        QVERIFY(
            dialog.RichEdit->plainText().contains("Daten ow3 in das EEPROM schreiben: \nFehler in der Länge 03  pass"));

        // Read back into fresh edits; then a board without valid answers keeps every text.
        TFormEinst_LCD again(rig.link, nullptr);
        again.BtOw_read->click();
        QCOMPARE(again.EditOwAnz->text(), QString("03"));
        QCOMPARE(again.Edit_ow[2]->text(), QString("0102030405060708090A0B"));
        QCOMPARE(again.Edit_ow[3]->text(), QString(22, '0'));
        again.Edit_ow[4]->setText("typed");
        rig.board.faults().wrongEnd = true;
        again.RichEdit->clear();
        again.BtOw_read->click();
        QCOMPARE(again.RichEdit->plainText().count("  timeout"), 10);
        QCOMPARE(again.EditOwAnz->text(), QString("03"));
        QCOMPARE(again.Edit_ow[4]->text(), QString("typed"));
        rig.board.faults().wrongEnd = false;

        // A count that is no number ends the write before anything of the table goes out.
        dialog.EditOwAnz->setText("drei");
        const qsizetype before = rig.board.telegramLog().size();
        click(dialog.BtOw_write);
        QCOMPARE(m_messages, QStringList{"'drei' is not a valid integer value"});
        QCOMPARE(m_errors.take(), m_messages);
        QCOMPARE(rig.board.telegramLog().size(), before + 1);
        QVERIFY(dialog.RichEdit->plainText().endsWith("Anzahl der ow Bausteine in das EEPROM schreiben: "));
        QCOMPARE(rig.board.eeprom()[0x100], std::uint8_t(3));
    }
};

VELMAR_WINDOW_TEST_MAIN(TestModuleDialogs)

#include "test_module_dialogs.moc"
