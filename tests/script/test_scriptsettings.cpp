#include "IniFile.h"
#include "ScriptSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ScriptSettingsFile, DefaultsKeysInAnyCaseAndOtherSectionsKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    {
        const ScriptSettings s = ScriptSettings::read(IniFile(path));
        EXPECT_EQ(s.XPos, 0);
        EXPECT_EQ(s.Breite, 0);
        EXPECT_EQ(s.LogFile, QString("c:\\"));
        EXPECT_EQ(s.ScriptFile, QString("c:\\"));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Hauptfenster]\nComPort=SIM\n[onewire]\nxpos=12\nBREITE=640\nscriptfile=/tmp/a.csv\n");
    f.close();
    ScriptSettings s = ScriptSettings::read(IniFile(path));
    EXPECT_EQ(s.XPos, 12);
    EXPECT_EQ(s.Breite, 640);
    EXPECT_EQ(s.Hoehe, 0);
    EXPECT_EQ(s.ScriptFile, QString("/tmp/a.csv"));
    s.LogFile = "/tmp/log.csv";
    IniFile ini(path);
    s.write(ini);
    ini.UpdateFile();
    const IniFile back(path);
    EXPECT_EQ(back.ReadString("Hauptfenster", "ComPort", {}), QString("SIM"));
    EXPECT_EQ(back.ReadString("OneWire", "LogFile", {}), QString("/tmp/log.csv"));
    EXPECT_EQ(back.ReadInteger("OneWire", "XPos", -1), 12);
}

TEST(ScriptSettingsFile, DialogsStartWhereTheStoredNameCanBeUsed)
{
    QTemporaryDir dir;
    const QString home = QDir::homePath();
    const QString here = dir.filePath("list.csv");
    EXPECT_EQ(ScriptSettings::dialogStartName(here), here);
    // The stored default and names of another machine start in the home folder.
    EXPECT_EQ(ScriptSettings::dialogStartName("c:\\"), home + "/");
    EXPECT_EQ(ScriptSettings::dialogStartName("C:\\Messungen\\log.csv"), home + "/log.csv");
    EXPECT_EQ(ScriptSettings::dialogStartName("d:test.csv"), home + "/test.csv");
    EXPECT_EQ(ScriptSettings::dialogStartName("/no/such/folder/run.csv"), home + "/run.csv");
    EXPECT_EQ(ScriptSettings::dialogStartName(""), home + "/");
}

} // namespace
