#include "FileBytes.h"
#include "FileSizeLimit.h"
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

TEST(IniFile, ASectionWithAnEmptyNameKeepsItsKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    writeAll(path, "[Hauptfenster]\nXPos=1\n[]\nYPos=7\n[ Debugger ]\nXPos=3\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Hauptfenster", "YPos", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Debugger", "XPos", -1), 3);
    ini.WriteInteger("Hauptfenster", "XPos", 2);
    ini.UpdateFile();
    // Headers are written as they were read, the empty one included.
    EXPECT_EQ(FileBytes(path), QByteArray("[Hauptfenster]\nXPos=2\n[]\nYPos=7\n[ Debugger ]\nXPos=3\n"));
    IniFile again(path);
    EXPECT_EQ(again.ReadInteger("Hauptfenster", "YPos", -1), -1);
    EXPECT_EQ(again.ReadInteger("Hauptfenster", "XPos", -1), 2);
}

TEST(IniFile, AnEightBitFileIsReadAsLatin1AndWrittenBackSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    writeAll(path, "[Hauptfenster]\r\nFilename=/home/j\xe4ger/fw.hex\r\nXPos=1\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Hauptfenster", "Filename", ""), QString::fromUtf8("/home/jäger/fw.hex"));
    ini.WriteInteger("Hauptfenster", "XPos", 5);
    ini.WriteString("Hauptfenster", "FilenameByteCode", QString::fromUtf8("/home/jäger/ö.vlb"));
    ini.UpdateFile();
    // The same code page and the same line ends as before.
    EXPECT_EQ(FileBytes(path), QByteArray("[Hauptfenster]\r\nFilename=/home/j\xe4ger/fw.hex\r\nXPos=5\r\n"
                                          "FilenameByteCode=/home/j\xe4ger/\xf6.vlb\r\n"));

    // A character that the code page lacks turns the file into UTF-8 rather than losing it.
    IniFile more(path);
    more.WriteString("Hauptfenster", "ComPort", QString::fromUtf8("€"));
    more.UpdateFile();
    EXPECT_EQ(FileBytes(path),
              QByteArray("[Hauptfenster]\r\nFilename=/home/j\xc3\xa4ger/fw.hex\r\nXPos=5\r\n"
                         "FilenameByteCode=/home/j\xc3\xa4ger/\xc3\xb6.vlb\r\nComPort=\xe2\x82\xac\r\n"));
    IniFile last(path);
    EXPECT_EQ(last.ReadString("Hauptfenster", "Filename", ""), QString::fromUtf8("/home/jäger/fw.hex"));
    EXPECT_EQ(last.ReadString("Hauptfenster", "ComPort", ""), QString::fromUtf8("€"));

    // Latin-1 bytes that would read back as UTF-8 ("Ã¤" is C3 A4) are written as UTF-8.
    writeAll(path, "[A]\nk=\xe4\n");
    IniFile odd(path);
    odd.WriteString("A", "k", QString::fromUtf8("Ã¤"));
    odd.UpdateFile();
    EXPECT_EQ(IniFile(path).ReadString("A", "k", ""), QString::fromUtf8("Ã¤"));
}

TEST(IniFile, AUtf8FileStaysUtf8WithItsByteOrderMark)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    writeAll(path, "\xef\xbb\xbf[OneWire]\nLogFile=/tmp/m\xc3\xbc.csv\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("OneWire", "LogFile", ""), QString::fromUtf8("/tmp/mü.csv"));
    ini.WriteString("OneWire", "ScriptFile", QString::fromUtf8("ä"));
    ini.UpdateFile();
    EXPECT_EQ(FileBytes(path), QByteArray("\xef\xbb\xbf[OneWire]\nLogFile=/tmp/m\xc3\xbc.csv\nScriptFile=\xc3\xa4\n"));
}

TEST(IniFile, AValueWithALineBreakIsRefusedAndTheFileStaysAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    const QByteArray before("[Hauptfenster]\nFilename=a.hex\n");
    writeAll(path, before);
    for (const QString& value : {QString("bad\nFilename=b.hex"), QString("bad\r"), QString("\r\n")}) {
        IniFile ini(path);
        try {
            ini.WriteString("Hauptfenster", "Filename", value);
            ADD_FAILURE() << "no error for " << value.toStdString();
        } catch (const VelmarError& e) {
            EXPECT_TRUE(e.message().contains("line break")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("Filename")) << e.message().toStdString();
        }
        EXPECT_EQ(ini.ReadString("Hauptfenster", "Filename", ""), "a.hex");
        EXPECT_EQ(FileBytes(path), before);
    }
    IniFile fresh(dir.filePath("new.ini"));
    EXPECT_THROW(fresh.WriteString("A", "k", "x\ny"), VelmarError);
    EXPECT_FALSE(QFile::exists(dir.filePath("new.ini")));
}

TEST(IniFile, EveryLineEndEndsALineAndIsKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    const QByteArray files[] = {
        "[Hauptfenster]\nComPort=SIM\n",
        "[Hauptfenster]\r\nComPort=SIM\r\n",
        "[Hauptfenster]\rComPort=SIM\r",
        "[Hauptfenster]\nComPort=SIM\r[\nx=1\n", // a CR alone inside what looked like a value
        "[Hauptfenster]\r\rComPort=SIM\r\n\n",
    };
    for (const QByteArray& file : files) {
        SCOPED_TRACE(file.toStdString());
        writeAll(path, file);
        IniFile ini(path);
        const QString port = ini.ReadString("Hauptfenster", "ComPort", "");
        EXPECT_EQ(port, "SIM");
        // What was read goes back unchanged, and so does the file.
        ASSERT_NO_THROW(ini.WriteString("Hauptfenster", "ComPort", port));
        ASSERT_NO_THROW(ini.UpdateFile());
        EXPECT_EQ(FileBytes(path), file);
    }
}

TEST(IniFile, AFullDiskLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Settings.ini");
    QByteArray before("[Hauptfenster]\n");
    for (int i = 0; i < 100; ++i)
        before += "Key" + QByteArray::number(i) + "=" + QByteArray(60, 'v') + "\n";
    writeAll(path, before);
    IniFile ini(path);
    ini.WriteInteger("Hauptfenster", "XPos", 12);
    QString message;
    {
        // The disk fills up after the first few hundred bytes of the new file.
        FileSizeLimit full(512);
        try {
            ini.UpdateFile();
        } catch (const VelmarError& e) {
            message = e.message();
        }
    }
    EXPECT_EQ(message, "Cannot write " + path + ": File too large");
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"});
}
