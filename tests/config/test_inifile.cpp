#include "IniFile.h"
#include "VelmarError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

void writeAll(const QString& path, const QByteArray& text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

} // namespace

TEST(IniFile, MissingFileGivesDefaults)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath("Settings.ini"));
    EXPECT_EQ(ini.ReadString("Hauptfenster", "ComPort", "COM1"), "COM1");
    EXPECT_EQ(ini.ReadInteger("Hauptfenster", "XPos", 0), 0);
    EXPECT_FALSE(ini.SectionExists("Hauptfenster"));
}

TEST(IniFile, KeysAndSectionsAreFoundWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    writeAll(path, "[hauptFENSTER]\nxpos=12\nComPort=ttyUSB0\nflags= 1\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Hauptfenster", "XPos", 0), 12);
    EXPECT_EQ(ini.ReadString("HAUPTFENSTER", "comport", ""), "ttyUSB0");
    EXPECT_EQ(ini.ReadInteger("Hauptfenster", "flags", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Hauptfenster", "ComPort", 7), 7); // not a number
}

TEST(IniFile, WritingKeepsOtherSectionsUnknownKeysAndComments)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    writeAll(path, "; kept\n[Debugger]\nXPos=5\n\n[Hauptfenster]\nbaud=57600\nXPos=1\n[OneWire]\nLogFile=a b.txt\n");
    IniFile ini(path);
    ini.WriteInteger("hauptfenster", "xpos", 99);
    ini.WriteString("Hauptfenster", "ComPort", "SIM");
    ini.WriteString("New", "Key", "Wert mit ü");
    ini.UpdateFile();
    EXPECT_EQ(readAll(path), QString("; kept\n[Debugger]\nXPos=5\n\n[Hauptfenster]\nbaud=57600\nXPos=99\nComPort=SIM\n"
                                     "[OneWire]\nLogFile=a b.txt\n[New]\nKey=Wert mit ü\n"));
    IniFile again(path);
    EXPECT_EQ(again.ReadInteger("Hauptfenster", "XPos", 0), 99);
    EXPECT_EQ(again.ReadString("New", "key", ""), "Wert mit ü");
    EXPECT_EQ(again.ReadString("OneWire", "LogFile", ""), "a b.txt");
    // Written through a temporary file: nothing else is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"});
}

TEST(IniFile, AFileThatCannotBeWrittenIsAnError)
{
    QTemporaryDir dir;
    // A folder where the file should be: no rights trick needed, even for root.
    const QString path = dir.filePath("Settings.ini");
    QDir().mkpath(path);
    IniFile ini(path);
    ini.WriteInteger("A", "x", 2);
    EXPECT_THROW(ini.UpdateFile(), VelmarError);
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(IniFile, EveryProgramOfAFolderFindsTheSameFile)
{
    // Programs built into one folder share the window's Settings.ini there.
    const QString here = QDir(QCoreApplication::applicationDirPath()).filePath("Settings.ini");
    EXPECT_EQ(IniFile::locate("Settings.ini", "velmar-ui"), here);
    EXPECT_EQ(IniFile::locate("Settings.ini", "velmar-cli"), here);
    EXPECT_EQ(IniFile::defaultPath(), here);
}

TEST(IniFile, AnInstalledProgramKeepsItsSettingsInTheUsersFolder)
{
    // The folders are all writable here (as /usr/bin is to root); only the menu entry of an
    // installation next to the program's folder, or a system program folder, tells them apart.
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    QDir().mkpath(bin);
    QDir().mkpath(prefix.filePath("share/applications"));
    qputenv("XDG_CONFIG_HOME", prefix.filePath("home-config").toUtf8());
    const QString beside = QDir(bin).filePath("Settings.ini");
    const QString users = prefix.filePath("home-config/velmar-ui/Settings.ini");

    EXPECT_FALSE(IniFile::isInstalledFolder(bin));
    EXPECT_EQ(IniFile::locate("Settings.ini", "velmar-ui", bin), beside);

    // Another program's menu entry makes no installation of this one.
    writeAll(prefix.filePath("share/applications/other.desktop"), "[Desktop Entry]\n");
    EXPECT_EQ(IniFile::locate("Settings.ini", "velmar-ui", bin), beside);

    writeAll(prefix.filePath("share/applications/org.velmar.VelmarUi.desktop"), "[Desktop Entry]\n");
    EXPECT_TRUE(IniFile::isInstalledFolder(bin));
    EXPECT_TRUE(IniFile::isInstalledFolder(bin + "/"));
    EXPECT_EQ(IniFile::locate("Settings.ini", "velmar-ui", bin), users);

    for (const QString system : {"/usr/bin", "/usr/local/bin", "/bin"})
        EXPECT_TRUE(IniFile::isInstalledFolder(system) || !QFileInfo::exists(system)) << system.toStdString();
    EXPECT_EQ(IniFile::locate("Settings.ini", "velmar-cli", "/usr/bin"),
              prefix.filePath("home-config/velmar-cli/Settings.ini"));
    qunsetenv("XDG_CONFIG_HOME");
}
