// The options of the velmar-sim program: board kind and faults limited to some commands,
// through the real port code on its pseudo-terminal; and the signals that pull its cable.
#include "SimProcessRig.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(VelmarSim, KindAndFaultsLimitedToSomeCommands)
{
    SimProcessRig rig({"--kind", "0x10", "--refuse", "--fault-codes", "33,34"});
    ASSERT_TRUE(rig.started);
    Link& link = rig.link;
    EXPECT_EQ(link.SendTelegram(":aa03320000a5\r"), 0x20);
    EXPECT_EQ(link.SendTelegram(":aa023401a5\r"), 0x21);
    EXPECT_EQ(link.SendTelegram(":aa0131a5\r"), 0x31);
    EXPECT_EQ(link.AnswerBuffer()[2], 0x00); // the refused read did not move the pointer
    rig.port.Close();
}

TEST(VelmarSim, RejectsAKindThatIsNoByteAndAnUnknownCode)
{
    for (const QStringList& args :
         {QStringList{"--kind", "256"}, QStringList{"--kind", "x"}, QStringList{"--fault-codes", "3g"}}) {
        QProcess p;
        p.start(QStringLiteral(VELMAR_SIM_PROGRAM), args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()); // no device was made
    }
}

TEST(VelmarSim, AnswersTheScriptCommandsAndRefusesEveryNth)
{
    SimProcessRig rig({"--refuse-every", "3"});
    ASSERT_TRUE(rig.started);
    Link& link = rig.link;
    EXPECT_EQ(link.SendTelegram(":aa026002a5\r"), 0x60); // module 2: number, then the reading
    ASSERT_EQ(link.AnswerData().size(), 3u);
    EXPECT_EQ(link.AnswerData()[0], 2);
    EXPECT_EQ(link.SendTelegram(":aa0562090A0B0Ca5\r"), 0x62);
    EXPECT_EQ(link.AnswerData()[0], 10);               // node 9 answers as 10
    EXPECT_EQ(link.SendTelegram(":aa0150a5\r"), 0x21); // the third telegram
    EXPECT_EQ(link.SendTelegram(":aa0150a5\r"), 0x50);
    EXPECT_EQ(link.AnswerData().size(), 3u);
    rig.port.Close();
}

TEST(VelmarSim, AnEndedProgramIsNotSignalled)
{
    // A process id of 0 would reach the whole process group. Should that ever come back,
    // only this test's own group is hit, not the runner that started it.
    ASSERT_EQ(::setpgid(0, 0), 0);
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    ASSERT_TRUE(sim.start());
    sim.stop();
    EXPECT_FALSE(sim.unplug());
    EXPECT_FALSE(sim.plugIn(200));
}
