// The real port code against the velmar-sim program on a pseudo-terminal.
#include "Bootloader.h"
#include "ByteCodeDownload.h"
#include "EComPort.h"
#include "FirmwareDownload.h"
#include "HexFiles.h"
#include "SimProcessRig.h"
#include "TestApplication.h"
#include "WaitUntil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::uint8_t readEeprom(Link& link, std::uint16_t address)
{
    const QString select =
        QString(":aa0332%1%2a5\r").arg(address & 0xFF, 2, 16, QChar('0')).arg(address >> 8, 2, 16, QChar('0'));
    if (link.SendTelegram(select) != 0x20 || link.SendTelegram(":aa023401a5\r") != 0x34)
        return 0xEE;
    return link.AnswerBuffer()[2];
}

} // namespace

TEST(EndToEnd, TelegramsAndTerminalOverAPseudoTerminal)
{
    SimProcessRig rig({"--kind", "16"});
    ASSERT_TRUE(rig.started);
    EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);
    EXPECT_EQ(readEeprom(rig.link, 0x0000), 16);
    EXPECT_EQ(readEeprom(rig.link, 0x0003), 0x40);

    rig.link.rx().RxMode = RxTerminal;
    rig.port.WriteStr("time 14 05 09\r");
    ASSERT_TRUE(WaitUntil([&] { return rig.terminal.text().contains("14:05:09"); }, 3000))
        << rig.terminal.text().toStdString();
}

TEST(EndToEnd, FaultsOfTheBoardReachTheCaller)
{
    {
        SimProcessRig rig({"--refuse"});
        ASSERT_TRUE(rig.started);
        EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x21);
    }
    {
        SimProcessRig rig({"--wrong-end", "--noise", "#?"});
        ASSERT_TRUE(rig.started);
        EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0);
        EXPECT_EQ(rig.link.AnswerBuffer()[0], 1); // decoded up to the end byte
    }
    {
        SimProcessRig rig({"--wrong-code", "--fault-codes", "34"});
        ASSERT_TRUE(rig.started);
        EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);
        EXPECT_EQ(rig.link.SendTelegram(":aa023401a5\r"), 0xB4);
    }
    {
        SimProcessRig rig({"--delay", "300"});
        ASSERT_TRUE(rig.started);
        EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);
    }
}

TEST(EndToEnd, UnplugClosesThePortAndItOpensAgainWhenTheBoardIsBack)
{
    TestApplication::errors().clear();
    QTemporaryDir dir;
    const QString stable = dir.filePath("velmar");
    SimProcessRig rig({}, stable);
    ASSERT_TRUE(rig.started);
    int closed = 0;
    QObject::connect(&rig.port, &TCustomComPort::AfterClose, [&] { ++closed; });
    EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);

    ASSERT_TRUE(rig.sim.unplug());
    ASSERT_TRUE(WaitUntil([&] { return !rig.port.Connected(); }, 3000));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(TestApplication::errors(), QStringList{"COM Port Error: ReadFile function failed on " + stable});
    EXPECT_THROW(rig.port.Open(), EComPortExt); // still gone

    ASSERT_TRUE(rig.sim.plugIn());
    rig.port.Open();
    EXPECT_TRUE(rig.port.Connected());
    EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);
}

TEST(EndToEnd, DownloadsToABoardThatEndsItsRepliesWithCrLf)
{
    // The LF behind the CR of "X" and "b" arrives with it and is counted on; the values come
    // from the count at the CR.
    SimProcessRig rig({"--cr-lf", "--block-size", "128"});
    ASSERT_TRUE(rig.started);
    QTemporaryDir dir;
    const QString hex = dir.filePath("fw.hex"), vlb = dir.filePath("prog.vlb");
    writeFile(hex, hexFile(pattern(300)));
    writeFile(vlb, "01:02:03\n");
    Bootloader boot(rig.link, rig.terminal);
    ASSERT_TRUE(FirmwareDownload(boot).Run(hex)) << rig.terminal.text().toStdString();
    ASSERT_TRUE(ByteCodeDownload(boot).LoadByteCode(vlb)) << rig.terminal.text().toStdString();
    const QStringList lines = rig.terminal.lines();
    EXPECT_TRUE(lines.contains("last memory,  $0001EFFF"));
    EXPECT_TRUE(lines.contains("flash memory 128k, awl 2k,  $0001F000 to $0001F003"));
    EXPECT_EQ(lines.count("block size,  $0080"), 2);
    EXPECT_FALSE(rig.terminal.text().contains("Fehler bei Adresse"));
}
