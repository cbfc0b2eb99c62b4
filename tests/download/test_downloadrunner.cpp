// The downloads as a front end starts them: the line, the front end's scope, the "load file"
// lines and the file watch.
#include "Bootloader.h"
#include "DownloadRunner.h"
#include "HexFiles.h"
#include "SimRig.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct RunnerRig {
    SimRig rig;
    DownloadRunner runner{rig.link, rig.terminal};
    QTemporaryDir dir;
    QString file = dir.filePath("prog.vlb");
    QStringList events; // what the front end was told, and the file dialog
    QString answer;     // what the file dialog returns

    RunnerRig()
    {
        rig.board.setBlockSize(128);
        DownloadRunner::Frontend frontend;
        frontend.begins = [this] { events << "begins"; };
        frontend.ends = [this] { events << "ends"; };
        frontend.progress = [this](const TransferProgress&) {
            if (events.last() != "progress")
                events << "progress";
        };
        runner.setFrontend(frontend);
    }
    DownloadRunner::ChooseFile chooser()
    {
        return [this](const QString& initial, const QString& filter, const QString& extension) {
            events << QStringLiteral("choose %1 %2 %3 busy=%4")
                          .arg(initial, filter, extension, rig.link.busy() ? "yes" : "no");
            return answer;
        };
    }
    void stamp(const QDateTime& when)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
};

const QDateTime Ten(QDate(2026, 1, 2), QTime(10, 0, 0));

} // namespace

TEST(DownloadRunner, TheByteCodeButtonChoosesOnAHeldLineAndWatchesTheFile)
{
    RunnerRig r;
    writeFile(r.file, "01:02\n");
    r.stamp(Ten);
    QString name = "*.Vlb", syncName;
    QDateTime syncTime;
    r.answer = r.file;
    EXPECT_TRUE(r.runner.chooseAndLoadByteCode(name, syncName, syncTime, r.chooser()));
    EXPECT_EQ(r.events, QStringList({"begins", "choose *.Vlb AWL (*.vlb)|*.vlb|all files (*.*)|*.* *.vlb busy=yes",
                                     "progress", "ends"}));
    EXPECT_EQ(name, r.file);
    EXPECT_EQ(syncName, r.file);
    EXPECT_EQ(syncTime, Ten);
    EXPECT_EQ(r.rig.terminal.lines().mid(0, 4), QStringList({"", "load file", " " + r.file, "load AWL size, 2 bytes"}));
    // The bytes the file holds, and the erased fill behind them.
    EXPECT_EQ(r.rig.board.flash()[0x1F000], 0x01);
    EXPECT_EQ(r.rig.board.flash()[0x1F001], 0x02);
    EXPECT_EQ(r.rig.board.flash()[0x1F002], 0xFF);
    EXPECT_FALSE(r.rig.terminal.text().contains("Fehler bei Adresse"));
    EXPECT_FALSE(r.rig.link.busy());

    // Cancelled: nothing is loaded, the remembered file is watched all the same.
    r.events.clear();
    r.rig.terminal.clear();
    r.answer.clear();
    syncName.clear();
    EXPECT_FALSE(r.runner.chooseAndLoadByteCode(name, syncName, syncTime, r.chooser()));
    EXPECT_EQ(syncName, r.file);
    EXPECT_EQ(r.events.size(), 3);
    EXPECT_EQ(r.rig.terminal.text(), "");
}

TEST(DownloadRunner, TheFileWatchLoadsOncePerChangeAndWaitsForAFreeLine)
{
    RunnerRig r;
    writeFile(r.file, "07\n");
    r.stamp(Ten);
    QDateTime syncTime = Ten;
    EXPECT_FALSE(r.runner.syncTick(r.file, syncTime, r.file));
    EXPECT_TRUE(r.events.isEmpty());

    r.stamp(Ten.addSecs(4));
    {
        Link::Hold someoneElse(r.rig.link);
        EXPECT_FALSE(r.runner.syncTick(r.file, syncTime, r.file));
    }
    EXPECT_EQ(syncTime, Ten);
    EXPECT_TRUE(r.events.isEmpty());

    EXPECT_TRUE(r.runner.syncTick(r.file, syncTime, r.file));
    EXPECT_EQ(syncTime, Ten.addSecs(4));
    EXPECT_EQ(r.rig.terminal.lines().mid(0, 3), QStringList({"load file", " " + r.file, "load AWL size, 1 bytes"}));
    EXPECT_EQ(r.events, QStringList({"begins", "progress", "ends"}));
    EXPECT_EQ(r.rig.board.flash()[0x1F000], 0x07);
    EXPECT_FALSE(r.rig.terminal.text().contains("Fehler bei Adresse"));
    EXPECT_FALSE(r.runner.syncTick(r.file, syncTime, r.file));
    // Nothing watched yet: the tick does nothing.
    EXPECT_FALSE(r.runner.syncTick(QString(), syncTime, r.file));
}

TEST(DownloadRunner, ABusyLineRefusesAndAnErrorStillEndsTheScope)
{
    RunnerRig r;
    QString name = "*.Hex";
    {
        Link::Hold someoneElse(r.rig.link);
        EXPECT_FALSE(r.runner.chooseAndLoadFirmware(name, r.chooser()));
        EXPECT_FALSE(r.runner.loadByteCode(r.file));
    }
    EXPECT_TRUE(r.events.isEmpty());
    EXPECT_EQ(r.rig.terminal.lines(),
              QStringList({"line busy, refused: Download Firmware", "line busy, refused: Download AWL"}));

    r.rig.terminal.clear();
    const QString hex = r.dir.filePath("fw.hex");
    writeFile(hex, hexFile(pattern(10)));
    r.rig.port.Close();
    EXPECT_ANY_THROW(r.runner.loadFirmware(hex));
    EXPECT_EQ(r.events, QStringList({"begins", "ends"}));
    EXPECT_EQ(r.rig.link.rx().RxMode, RxTerminal);
    EXPECT_FALSE(r.rig.link.busy());
}

TEST(DownloadRunner, CancelStopsTheFlashPassAndTheBoardTakesTheNextDownload)
{
    RunnerRig r;
    const QString hex = r.dir.filePath("fw.hex");
    writeFile(hex, hexFile(pattern(2000))); // 16 blocks of 128
    QStringList results;
    int flashBlocks = 0;
    DownloadRunner::Frontend frontend;
    frontend.runs = [&] { r.events << "runs"; };
    frontend.progress = [&](const TransferProgress& p) {
        if (p.pass == TransferProgress::Pass::Flash && p.block > 0 && ++flashBlocks == 4)
            r.runner.cancel();
    };
    frontend.result = [&](const QString& text) { results << text; };
    r.runner.setFrontend(frontend);

    EXPECT_FALSE(r.runner.loadFirmware(hex));
    EXPECT_FALSE(r.runner.running());
    EXPECT_EQ(results, QStringList({"cancelled at block 5 of 16"}));
    EXPECT_TRUE(r.rig.terminal.lines().contains(
        "cancelled at block 5 of 16; the board waits in its bootloader: download again"));
    EXPECT_FALSE(r.rig.terminal.text().contains("verify device"));
    EXPECT_FALSE(r.rig.terminal.text().contains("bootloader exit"));
    EXPECT_TRUE(r.runner.bootloader().inBootloader());
    EXPECT_EQ(r.rig.link.rx().RxMode, RxTerminal);

    // The request ends with the download it stopped: the next one runs to its end.
    r.rig.terminal.clear();
    flashBlocks = -1000;
    EXPECT_TRUE(r.runner.loadFirmware(hex));
    ASSERT_EQ(results.size(), 2);
    EXPECT_TRUE(results[1].startsWith("flash and verify passed, 2 000 bytes in ")) << results[1].toStdString();
    EXPECT_TRUE(r.rig.terminal.text().contains("execute SPS program"));
    EXPECT_EQ(r.rig.board.flash()[1999], pattern(2000)[1999]);

    // Asked while nothing runs, a cancel does not reach the next download.
    r.runner.cancel();
    EXPECT_TRUE(r.runner.loadFirmware(hex));
}

TEST(DownloadRunner, TheResultNamesTheFirstDifferenceOrTheFailingStep)
{
    RunnerRig r;
    const QString hex = r.dir.filePath("fw.hex");
    writeFile(hex, hexFile(pattern(1000)));
    QStringList results;
    DownloadRunner::Frontend frontend;
    frontend.result = [&](const QString& text) { results << text; };
    r.runner.setFrontend(frontend);

    // The byte code lies behind the firmware: the address is the flash's, not the file's.
    writeFile(r.file, QByteArray("01:02:03\n").repeated(10));
    r.rig.board.faults().corruptReadbackAt = 0x1F004;
    EXPECT_FALSE(r.runner.loadByteCode(r.file));
    r.rig.board.faults().corruptReadbackAt = 0x234;
    EXPECT_FALSE(r.runner.loadFirmware(hex));
    r.rig.board.faults().corruptReadbackAt = -1;
    r.rig.board.faults().noSignOn = true;
    EXPECT_FALSE(r.runner.loadFirmware(hex));
    EXPECT_EQ(results,
              QStringList({"verify failed at $1F004", "verify failed at $0234",
                           "connect Velmar failed: no sign-on of the bootloader; try again, and if it keeps failing, "
                           "switch the board off and on: after a download that broke off it may still wait for the "
                           "rest of a block"}));

    Bootloader& boot = r.runner.bootloader();
    boot.clearFailure();
    boot.ImageLength = 131071;
    EXPECT_EQ(DownloadRunner::resultText(true, boot, 46'600), "flash and verify passed, 131 071 bytes in 47 s");
    boot.ImageLength = 488;
    EXPECT_EQ(DownloadRunner::resultText(true, boot, 400), "flash and verify passed, 488 bytes in 0 s");
}
