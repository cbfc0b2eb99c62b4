#include "EConvertError.h"
#include "EInOutError.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "SendListFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using N = CellNotation;

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Data cell `i` of `r` holds `value`, written in `notation`.
void setCell(SendRow& r, int i, std::uint8_t value, N notation)
{
    r.data[i] = value;
    r.notation[i] = notation;
}

SendRow eepwRow()
{
    SendRow r;
    r.CMD = "EEPW";
    setCell(r, 0, 0x10, N::Hex);
    setCell(r, 1, 200, N::Decimal);
    r.delay = 50;
    r.delayNotation = N::Decimal;
    r.Comment = "init";
    return r;
}

TEST(SendListWriter, WritesTheSharedFormat)
{
    SendList list;
    list.append(eepwRow());
    SendRow hex;
    hex.CMD = "RAMW";
    setCell(hex, 0, 5, N::Hex);
    setCell(hex, 1, 255, N::Hex);
    setCell(hex, 7, 0, N::Decimal);
    list.append(hex);
    list.append();
    EXPECT_EQ(SendListFile::format(list), QByteArray("CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\r\n"
                                                     "EEPW;$10;200;;;;;;;50;init\r\n"
                                                     "RAMW;$5;$FF;;;;;;0;;\r\n"
                                                     ";;;;;;;;;;\r\n"));
}

TEST(SendListReader, FieldRules)
{
    EXPECT_EQ(SendListFile::parseLine("EEPW;$10;200;;;;;;;50;init"), eepwRow());

    // Missing fields stay empty; an empty line gives an empty CMD, an empty first field "0".
    const SendRow ack = SendListFile::parseLine("ACK");
    EXPECT_EQ(ack.CMD, QString("ACK"));
    EXPECT_EQ(ack.notation, (std::array<N, 8>{}));
    EXPECT_EQ(ack.delayNotation, N::Empty);
    EXPECT_EQ(SendListFile::parseLine("").CMD, QString());
    EXPECT_EQ(SendListFile::parseLine(";1").CMD, QString("0"));
    EXPECT_EQ(SendListFile::parseLine("ACK;").notation[0], N::Empty);

    // Low 8 bits, "$" anywhere means hex, -1 is 255.
    const SendRow odd = SendListFile::parseLine("X;300;-1;$1FF;-$1;b101;B0;;;$20;");
    EXPECT_EQ(odd.data[0], 44);
    EXPECT_EQ(odd.notation[0], N::Decimal);
    EXPECT_EQ(odd.data[1], 255);
    EXPECT_EQ(odd.notation[1], N::Decimal);
    EXPECT_EQ(odd.data[2], 0xFF);
    EXPECT_EQ(odd.notation[2], N::Hex);
    EXPECT_EQ(odd.data[3], 0xFF);
    EXPECT_EQ(odd.notation[3], N::Hex);
    EXPECT_EQ(odd.data[4], 5);
    EXPECT_EQ(odd.notation[4], N::Binary);
    EXPECT_EQ(odd.data[5], 0);
    EXPECT_EQ(odd.notation[5], N::Binary);
    // A "$" delay comes back decimal; low 16 bits.
    EXPECT_EQ(odd.delay, 0x20);
    EXPECT_EQ(odd.delayNotation, N::Decimal);
    EXPECT_EQ(SendListFile::parseLine("X;;;;;;;;;70000;").delay, 70000 & 0xFFFF);
    EXPECT_EQ(SendListFile::parseLine("X;;;;;;;;;b11;").delayNotation, N::Binary);

    // The comment is the rest of the line.
    EXPECT_EQ(SendListFile::parseLine("ACK;;;;;;;;;;a;b;;c").Comment, QString("a;b;;c"));

    EXPECT_THROW((void)SendListFile::parseLine("ACK;12x"), EConvertError);
    EXPECT_THROW((void)SendListFile::parseLine("ACK;;;;;;;;;1.5;"), EConvertError);
    EXPECT_THROW((void)SendListFile::parseLine("ACK;b12"), EConvertError);
    try {
        (void)SendListFile::parseLine("ACK;1;zz");
        FAIL() << "a field that is no number was taken";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), QString("'zz' is not a valid integer value"));
    }
}

class SendListFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(name); }
};

TEST_F(SendListFileTest, RoundTripKeepsRowsBinaryCellsAndComments)
{
    SendList list;
    list.append(eepwRow());
    SendRow binary;
    binary.CMD = "ramw";
    setCell(binary, 2, 0b1011, N::Binary);
    setCell(binary, 3, 7, N::Decimal);
    binary.delay = 3;
    binary.delayNotation = N::Binary;
    binary.Comment = "Fühler; zweiter Teil";
    list.append(binary);
    SendRow hexDelay;
    hexDelay.CMD = "GOTO";
    hexDelay.delay = 300;
    hexDelay.delayNotation = N::Hex;
    list.append(hexDelay);
    SendRow empty;
    list.append(empty);

    SendListFile::save(path("list.csv"), list);
    SendList back;
    SendListFile::load(path("list.csv"), back);
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back.at(0), list.at(0));
    EXPECT_EQ(back.at(1), list.at(1));
    // A "$" delay comes back decimal, an empty CMD as "0".
    SendRow expectDelay = hexDelay;
    expectDelay.delayNotation = N::Decimal;
    EXPECT_EQ(back.at(2), expectDelay);
    EXPECT_EQ(back.at(3).CMD, QString("0"));
    // Saving what was loaded writes the same file again (but for the CMD "0").
    SendListFile::save(path("again.csv"), back);
    EXPECT_EQ(FileBytes(path("again.csv")),
              FileBytes(path("list.csv")).replace("\r\n;;;;;;;;;;\r\n", "\r\n0;;;;;;;;;;\r\n"));
}

TEST_F(SendListFileTest, OddFilesRead)
{
    writeBytes(path("odd.csv"), "anything at all\n"
                                "ACK\n"
                                "\n"
                                "EEPR;300\r\n"
                                "RAMR;-1;$1FF");
    SendList list;
    SendListFile::load(path("odd.csv"), list);
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list.at(0).CMD, QString("ACK"));
    EXPECT_EQ(list.at(1).CMD, QString());
    EXPECT_EQ(list.at(2).data[0], 44);
    EXPECT_EQ(list.at(3).data[0], 255);
    EXPECT_EQ(list.at(3).data[1], 0xFF);
    EXPECT_EQ(list.at(3).notation[1], N::Hex);

    // Only a header: an empty list.
    writeBytes(path("header.csv"), "CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\r\n");
    SendListFile::load(path("header.csv"), list);
    EXPECT_TRUE(list.empty());

    // A list from an older system with a Latin-1 umlaut.
    writeBytes(path("latin1.csv"), "h\r\nACK;;;;;;;;;;F\xfchler\r\n");
    SendListFile::load(path("latin1.csv"), list);
    EXPECT_EQ(list.at(0).Comment, QString("Fühler"));
    // Also as the very last byte, where it looks like the start of a UTF-8 sequence.
    writeBytes(path("latin1end.csv"), "h\r\nACK;;;;;;;;;;Bad \xe4");
    SendListFile::load(path("latin1end.csv"), list);
    EXPECT_EQ(list.at(0).Comment, QString("Bad ä"));
}

TEST_F(SendListFileTest, ABadFieldEndsTheLoadKeepingTheRowsBefore)
{
    writeBytes(path("bad.csv"), "h\r\nACK;1\r\nDIG\r\nEEPR;1x\r\nACK\r\n");
    SendList list;
    list.append(eepwRow());
    try {
        SendListFile::load(path("bad.csv"), list);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), QString("'1x' is not a valid integer value"));
    }
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.at(1).CMD, QString("DIG"));
}

TEST_F(SendListFileTest, AFileThatCannotBeOpenedLeavesTheListAsItWas)
{
    SendList list;
    list.append(eepwRow());
    EXPECT_THROW(SendListFile::load(path("missing.csv"), list), EInOutError);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0), eepwRow());
    try {
        SendListFile::load(path("missing.csv"), list);
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.message().contains("missing.csv"));
        EXPECT_TRUE(e.message().contains("No such file")) << e.message().toStdString();
    }
}

TEST_F(SendListFileTest, AFailedSaveLeavesTheOldFileWhole)
{
    SendList list;
    list.append(eepwRow());
    SendListFile::save(path("keep.csv"), list);
    const QByteArray before = FileBytes(path("keep.csv"));
    for (int i = 0; i < 20; ++i)
        list.append(eepwRow());
    {
        // The disk fills up half-way through the new list.
        FileSizeLimit full(200);
        EXPECT_THROW(SendListFile::save(path("keep.csv"), list), EInOutError);
    }
    EXPECT_EQ(FileBytes(path("keep.csv")), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.csv"});
    // A folder that does not exist.
    EXPECT_THROW(SendListFile::save(path("no/such/dir.csv"), list), EInOutError);
    EXPECT_FALSE(QFile::exists(path("no")));
}

TEST_F(SendListFileTest, ACommandWithTheSeparatorIsNotWritten)
{
    // The reader would split it and stop at the fields behind: such a file could not be loaded.
    SendList list;
    list.append(eepwRow());
    SendListFile::save(path("keep.csv"), list);
    const QByteArray before = FileBytes(path("keep.csv"));
    list.append(eepwRow());
    list.at(1).CMD = "EE;PW";
    try {
        SendListFile::save(path("keep.csv"), list);
        FAIL() << "written";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.message(), QString("Cannot write %1: the CMD \"EE;PW\" of row 2 holds a \";\", which the "
                                       "file uses to separate its fields")
                                   .arg(QDir::toNativeSeparators(path("keep.csv"))));
    }
    EXPECT_EQ(FileBytes(path("keep.csv")), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.csv"});
}

} // namespace

TEST_F(SendListFileTest, AListKeepsItsEncodingThroughALoadAndASave)
{
    const QByteArray header = "CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\r\n";
    // A row read from a file (or, without one, typed in) and what a save writes.
    const struct {
        QByteArray file;
        const char* typed;
        QByteArray saved;
    } cases[] = {
        {"GETT;1;;;;;;;;5;F\xfchler gr\xfcn", "", "GETT;1;;;;;;;;5;F\xfchler gr\xfcn"}, // the older tool's
        {"GETT;1;;;;;;;;5;F\xc3\xbchler", "", "GETT;1;;;;;;;;5;F\xc3\xbchler"},         // UTF-8 stays UTF-8
        {"", "ACK;;;;;;;;;;Fühler", "ACK;;;;;;;;;;F\xfchler"},                          // fits Latin-1
        {"", "ACK;;;;;;;;;;Ω Fühler", "ACK;;;;;;;;;;\xce\xa9 F\xc3\xbchler"},           // beyond Latin-1
    };
    for (const auto& c : cases) {
        SendList list;
        if (c.file.isEmpty()) {
            list.append(SendListFile::parseLine(QString::fromUtf8(c.typed)));
        } else {
            writeBytes(path("in.csv"), header + c.file + "\r\n");
            SendListFile::load(path("in.csv"), list);
        }
        SendListFile::save(path("out.csv"), list);
        EXPECT_EQ(FileBytes(path("out.csv")), header + c.saved + "\r\n") << c.saved.constData();
    }
}
