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
        runner.setFrontend({[this] { events << "begins"; }, [this] { events << "ends"; },
                            [this](const TransferProgress&) {
                                if (events.last() != "progress")
                                    events << "progress";
                            }});
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
