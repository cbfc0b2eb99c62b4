// The port opens again by itself when the board that went comes back, over velmar-sim's
// unplug and replug: by its stable path, by its by-id name, never on a busy line.
#include "CpuClock.h"
#include "Link.h"
#include "PortReconnect.h"
#include "RecordingLog.h"
#include "SimProcess.h"
#include "TCustomComPort.h"
#include "TestApplication.h"
#include "WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Replug {
    QTemporaryDir dir;
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    RecordingLog terminal;
    TCustomComPort port;
    Link link{port, terminal};
    PortReconnect reconnect{port, terminal, [this] { return link.busy(); }};
    QString stable = dir.filePath("velmar");
    int opened = 0;

    Replug()
    {
        EXPECT_TRUE(sim.start({"--link", stable}));
        link.ConnectDispatcher();
        reconnect.setByIdDir(dir.filePath("by-id"));
        QObject::connect(&port, &TCustomComPort::AfterOpen, [this] { ++opened; });
    }
    void open(const QString& name)
    {
        port.SetPort(name);
        port.Open();
        opened = 0;
    }
    void unplug()
    {
        ASSERT_TRUE(sim.unplug());
        ASSERT_TRUE(WaitUntil([&] { return !port.Connected(); }, 3000));
        TestApplication::errors().clear();
    }
};

} // namespace

TEST(Reconnect, TheSameBoardOnItsStablePathOpensAgainAndSaysSoOnce)
{
    Replug rig;
    rig.open(rig.stable);
    EXPECT_EQ(rig.reconnect.interval(), 500);
    rig.unplug();
    EXPECT_TRUE(rig.reconnect.waiting());

    // While the board is away the watch sleeps between its looks.
    const double cpu = CpuSeconds();
    EXPECT_FALSE(WaitUntil([&] { return rig.port.Connected(); }, 1200));
    EXPECT_LT(CpuSeconds() - cpu, 0.1);

    ASSERT_TRUE(rig.sim.plugIn());
    ASSERT_TRUE(WaitUntil([&] { return rig.port.Connected(); }, 2000));
    EXPECT_EQ(rig.opened, 1);
    EXPECT_EQ(rig.port.Port(), rig.stable);
    EXPECT_EQ(rig.terminal.text().count("reconnected: "), 1);
    EXPECT_TRUE(rig.terminal.text().endsWith("reconnected: " + rig.stable + " is back, the port is open again"));
    EXPECT_FALSE(rig.reconnect.waiting());
    EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);

    // Switched off, an unplug leaves the port closed.
    rig.reconnect.setEnabled(false);
    rig.unplug();
    ASSERT_TRUE(rig.sim.plugIn());
    EXPECT_FALSE(WaitUntil([&] { return rig.port.Connected(); }, 1200));
    EXPECT_FALSE(rig.reconnect.waiting());
}

TEST(Reconnect, NeverOnABusyLineAndNotAfterAnotherPortWasChosen)
{
    Replug rig;
    rig.open(rig.stable);
    {
        // An exchange that lost its port holds the line until it has ended with its error.
        Link::Hold exchange(rig.link);
        rig.unplug();
        ASSERT_TRUE(rig.sim.plugIn());
        EXPECT_FALSE(WaitUntil([&] { return rig.port.Connected(); }, 1200));
        EXPECT_EQ(rig.opened, 0);
    }
    ASSERT_TRUE(WaitUntil([&] { return rig.port.Connected(); }, 2000));
    EXPECT_EQ(rig.opened, 1);

    rig.unplug();
    rig.port.SetPort("SIM-OTHER");
    ASSERT_TRUE(rig.sim.plugIn());
    EXPECT_FALSE(WaitUntil([&] { return rig.port.Connected(); }, 1200));
    EXPECT_FALSE(rig.reconnect.waiting());
}

TEST(Reconnect, ADeviceWithABYIdNameIsFoundByItWhereverItComesBack)
{
    // The adapter is "tty0" while plugged in the first time and "tty1" the second, as
    // ttyUSB0 and ttyUSB1 can be; its by-id name follows it.
    Replug rig;
    QDir dir(rig.dir.path());
    ASSERT_TRUE(dir.mkpath("by-id"));
    const QString byId = rig.dir.filePath("by-id/usb-Velmar_Board_0042-if00");
    auto pointTo = [&](const QString& device) {
        QFile::remove(byId);
        ASSERT_TRUE(QFile::link("../" + device, byId));
    };
    ASSERT_TRUE(QFile::link(rig.sim.devicePath(), rig.dir.filePath("tty0")));
    pointTo("tty0");
    rig.open(rig.dir.filePath("tty0"));

    rig.unplug();
    QFile::remove(rig.dir.filePath("tty0"));
    QFile::remove(byId);
    ASSERT_TRUE(rig.sim.plugIn());
    // Another device where ours was is not ours: without its by-id name nothing opens.
    ASSERT_TRUE(QFile::link(rig.sim.devicePath(), rig.dir.filePath("tty0")));
    EXPECT_FALSE(WaitUntil([&] { return rig.port.Connected(); }, 1200));
    QFile::remove(rig.dir.filePath("tty0"));

    ASSERT_TRUE(QFile::link(rig.sim.devicePath(), rig.dir.filePath("tty1")));
    pointTo("tty1");
    ASSERT_TRUE(WaitUntil([&] { return rig.port.Connected(); }, 2000));
    // The port follows it to the device its by-id name leads to now.
    EXPECT_EQ(rig.port.Port(), rig.sim.devicePath());
    EXPECT_TRUE(
        rig.terminal.text().endsWith("reconnected: " + rig.sim.devicePath() + " is back, the port is open again"));
    EXPECT_EQ(rig.link.SendTelegram(":aa0120a5\r"), 0x20);
}
