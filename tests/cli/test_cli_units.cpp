// The parts of velmar-cli that need no board: the log on a stream, the progress bar, the
// command line, the texts a command takes, and the exit codes as the documents list them.
#include "CommandLine.h"
#include "CommandTable.h"
#include "ConfigCommand.h"
#include "ConsoleLog.h"
#include "ExitCode.h"
#include "OneWireCommand.h"
#include "PortsCommand.h"
#include "ProgressLine.h"
#include "SendCommand.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

struct Stream {
    QByteArray text;
    ConsoleLog log{[this](const QByteArray& b) { text += b; }, false};
};

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

CommandLine::Result parse(const QStringList& args) { return CommandLine::parse(QStringList{"velmar-cli"} + args); }

} // namespace

TEST(ConsoleLog, LinesComeOutAsTheWindowShowsThem)
{
    Stream s;
    s.log.addLine(QString()); // nothing before the first text
    s.log.addLine("select address: 0x0002");
    s.log.append("  pass");
    s.log.addLine(" read: ");
    s.log.append("0x13 ");
    EXPECT_EQ(s.text, "select address: 0x0002  pass\n read: 0x13 ");
    // Runs of empty lines come out as one; the text's own line ends count as lines.
    s.log.addLine(QString());
    s.log.addLine(QString());
    s.log.addLine("next");
    s.log.append("board\r\ntext\rmore\n");
    s.log.addLine("after");
    s.log.finish();
    EXPECT_EQ(s.text, "select address: 0x0002  pass\n read: 0x13 \n\nnextboard\ntext\nmore\nafter\n");
    // Nothing stays open after finish, and no empty line starts what comes next.
    s.log.addLine("again");
    s.log.finish();
    EXPECT_TRUE(s.text.endsWith("after\nagain\n"));
}

TEST(ConsoleLog, ColoursOnlyWhereAsked)
{
    QByteArray text;
    ConsoleLog coloured([&](const QByteArray& b) { text += b; }, true);
    coloured.setColor(LogColors::Green);
    coloured.addLine("load file ");
    coloured.setColor(LogColors::White);
    coloured.append("board");
    coloured.setColor(LogColors::Yellow);
    coloured.append("sent");
    EXPECT_EQ(text, "\033[92mload file \033[0mboard\033[93msent\033[0m");

    Stream plain;
    plain.log.setColor(LogColors::Green);
    plain.log.addLine("load file ");
    EXPECT_EQ(plain.text, "load file ");
}

TEST(ConsoleLog, ProgressDotsGiveWayToTheBarAndQuietWritesNothing)
{
    Stream s;
    int before = 0;
    s.log.beforeWrite = [&] { ++before; };
    s.log.addLine("flash device ");
    s.log.addLine(QString());
    s.log.setProgressShown(true);
    s.log.append(".");
    s.log.append("\n");
    s.log.append(".");
    EXPECT_EQ(s.text, "flash device \n");
    s.log.addLine("timeout"); // anything else still shows
    EXPECT_EQ(s.text, "flash device \n\ntimeout");
    EXPECT_EQ(before, 3);

    s.log.setEnabled(false);
    s.log.addLine("hidden");
    s.log.append("too");
    EXPECT_FALSE(s.text.contains("hidden"));
}

TEST(ProgressLine, BytesRateAndTimeLeftInTheWidthGiven)
{
    TransferProgress p;
    p.pass = TransferProgress::Pass::Flash;
    p.block = 10;
    p.blocks = 40;
    p.bytesDone = 2560;
    p.bytesTotal = 20480;
    p.elapsedMs = 500;
    const QString line = ProgressLine::text(p, 80);
    EXPECT_EQ(line.size(), 79);
    EXPECT_TRUE(
        QRegularExpression("^flash  \\[#+\\.+\\]  2560 of 20480 bytes  5\\.1 kB/s  4 s left$").match(line).hasMatch())
        << line.toStdString();
    EXPECT_EQ(line.count('#'), 3); // an eighth of the 29 columns of the bar
    p.elapsedMs = 0;
    p.pass = TransferProgress::Pass::Verify;
    EXPECT_TRUE(ProgressLine::text(p, 20).endsWith("-- kB/s  -- s left")); // too narrow: the bar keeps 10
    EXPECT_TRUE(ProgressLine::text(p, 20).startsWith("verify [#.........]"));
}

TEST(CommandLine, OptionsStandBeforeOrBehindTheCommandWord)
{
    auto r = parse({"--port", "/dev/ttyUSB0", "flash", "fw.hex", "-q"});
    ASSERT_TRUE(r.invocation);
    EXPECT_EQ(r.invocation->command, "flash");
    EXPECT_EQ(r.invocation->args, QStringList{"fw.hex"});
    EXPECT_EQ(r.invocation->port, "/dev/ttyUSB0");
    EXPECT_TRUE(r.invocation->quiet);

    r = parse({"script", "list.csv", "--loop", "--log", "out.csv", "-b", "115200", "--info"});
    ASSERT_TRUE(r.invocation);
    EXPECT_TRUE(r.invocation->has("loop"));
    EXPECT_TRUE(r.invocation->has("info"));
    EXPECT_EQ(r.invocation->value("log"), "out.csv");
    EXPECT_EQ(r.invocation->baud, 115200);

    r = parse({"sd", "get", "LOG.TXT"});
    ASSERT_TRUE(r.invocation);
    EXPECT_EQ(r.invocation->args, QStringList({"get", "LOG.TXT"}));
    EXPECT_EQ(parse({"sd", "get"}).code, ExitCode::UsageOrFile);
    EXPECT_EQ(parse({"sd", "put", "a", "b"}).code, ExitCode::UsageOrFile);
    EXPECT_EQ(parse({"onewire", "read"}).code, ExitCode::Success);
    EXPECT_EQ(parse({"onewire", "write"}).code, ExitCode::UsageOrFile);
    EXPECT_EQ(parse({"config", "read", "12"}).code, ExitCode::UsageOrFile);
    // An option of another command is no option here.
    EXPECT_EQ(parse({"flash", "--loop", "fw.hex"}).code, ExitCode::UsageOrFile);
    EXPECT_TRUE(parse({"--json", "config", "read"}).invocation);
    EXPECT_FALSE(parse({"--json", "config", "write", "1"}).invocation);
    EXPECT_TRUE(parse({"onewire", "read", "--json"}).invocation);
}

// The help comes from the command table; the man page is written by hand and must follow it.
TEST(CommandLine, EveryCommandHasItsHelpAndItsEntryInTheManPage)
{
    const QString man = readText(QStringLiteral(VELMAR_SOURCE_DIR "/cli/velmar-cli.1"));
    const qsizetype commandsAt = man.indexOf(".SH COMMANDS"), optionsAt = man.indexOf(".SH OPTIONS");
    const QStringList entries = man.mid(commandsAt, optionsAt - commandsAt).split(".TP\n").mid(1);
    ASSERT_EQ(entries.size(), CommandTable::rows().size());
    QStringList jsonTakers;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const CommandTable::Row& row = CommandTable::rows().at(i);
        SCOPED_TRACE(row.word.toStdString());
        const QString help = CommandLine::commandHelp(row.word);
        EXPECT_TRUE(help.startsWith("Usage: velmar-cli [options] " + row.word));
        EXPECT_TRUE(help.contains(ExitCodeHelp()));
        EXPECT_EQ(parse({row.word, "--help"}).out, help);
        const QString head = entries[i].section('\n', 0, 0);
        EXPECT_EQ(head.section(' ', 1, 1).remove('"'), row.word);
        for (const CommandTable::SubWord& sub : row.subWords) {
            EXPECT_TRUE(head.contains(row.word + ' ' + sub.word)) << sub.word.toStdString();
            if (sub.json)
                jsonTakers << row.word + ' ' + sub.word;
        }
        if (row.json)
            jsonTakers << row.word;
        for (const CommandTable::Option& o : row.options)
            EXPECT_TRUE(entries[i].contains("\\-\\-" + o.key())) << o.key().toStdString();
    }
    EXPECT_TRUE(CommandLine::commandHelp("bogus").isEmpty());
    const QString options = man.mid(optionsAt, man.indexOf(".SH OUTPUT") - optionsAt);
    for (const CommandTable::Option& o : CommandTable::commonOptions())
        EXPECT_TRUE(options.contains("\\-\\-" + o.key())) << o.key().toStdString();

    // Each text that lists the commands taking --json names those of the table.
    const auto named = [](QString list) {
        QStringList names = list.simplified().replace(" and ", ", ").split(", ");
        names.sort();
        return names;
    };
    const auto inParentheses = [](const QString& text) { return text.section('(', 1).section(')', 0, 0); };
    jsonTakers.sort();
    EXPECT_EQ(named(parse({"--json", "ports"}).err.section("is for ", 1).section('\n', 0, 0)), jsonTakers);
    EXPECT_EQ(named(inParentheses(CommandLine::commandHelp("ports").section("one JSON object", 1))), jsonTakers);
    EXPECT_EQ(named(inParentheses(options.section("\\-\\-json\n", 1))), jsonTakers);
}

TEST(SendText, BytesAreFramedAndAWholeTelegramGoesAsItIs)
{
    QString error;
    EXPECT_EQ(SendCommand::request({"32", "02", "00"}, error), ":aa03320200a5\r");
    EXPECT_EQ(SendCommand::request({"32 02 00"}, error), ":aa03320200a5\r");
    EXPECT_EQ(SendCommand::request({"0x34", "$a"}, error), ":aa02340Aa5\r");
    EXPECT_EQ(SendCommand::request({"20"}, error), ":aa0120a5\r");
    EXPECT_EQ(SendCommand::request({":aa023401a5"}, error), ":aa023401a5\r");
    EXPECT_EQ(SendCommand::request({":AA023401A5"}, error), ":AA023401A5\r"); // its spelling kept
    for (const QStringList& bad :
         {QStringList{"123"}, QStringList{"zz"}, QStringList{":aa0"}, QStringList{":aa0234g1a5"}, QStringList{""}}) {
        error.clear();
        EXPECT_TRUE(SendCommand::request(bad, error).isEmpty()) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    QStringList many(101, "01"); // the command and 100 data bytes: one more than a telegram carries
    EXPECT_TRUE(SendCommand::request(many, error).isEmpty());
    many.removeLast();
    EXPECT_TRUE(SendCommand::request(many, error).startsWith(":aa6401"));
}

TEST(ConfigByte, TakesHexDecimalAndDollar)
{
    EXPECT_EQ(ConfigCommand::byte("0x13"), std::optional<std::uint8_t>(0x13));
    EXPECT_EQ(ConfigCommand::byte("$C1"), std::optional<std::uint8_t>(0xC1));
    EXPECT_EQ(ConfigCommand::byte("19"), std::optional<std::uint8_t>(19));
    EXPECT_EQ(ConfigCommand::byte(" 255 "), std::optional<std::uint8_t>(255));
    for (const char* bad : {"256", "-1", "+3", "0x", "x13", "", "1.5"})
        EXPECT_FALSE(ConfigCommand::byte(bad).has_value()) << bad;
}

TEST(OneWireFile, ReadsWhatItWritesAndRefusesWhatTheModuleCannotTake)
{
    OneWireTable::Texts texts;
    texts.count = "02";
    texts.entries[0] = "28292A2B2C2D2E2F303132";
    texts.entries[3] = "0000000000000000000000";
    const QByteArray file = OneWireCommand::format(texts);
    EXPECT_EQ(file.count('\n'), 10);
    OneWireCommand::Table table;
    QString error;
    ASSERT_TRUE(OneWireCommand::parse(file, table, error)) << error.toStdString();
    EXPECT_EQ(table.count, "02");
    EXPECT_EQ(table.entries[0], "28292A2B2C2D2E2F303132");
    EXPECT_EQ(table.entries[1], "");
    EXPECT_EQ(table.entries[3], "0000000000000000000000");

    // Fewer lines leave the rest empty; comments go anywhere; surplus empty lines are nothing.
    ASSERT_TRUE(OneWireCommand::parse("# c\n$3\n# c\naabbccddeeff00112233ff\n\n\n\n\n\n\n\n\n\n", table, error));
    EXPECT_EQ(table.count, "$3");
    EXPECT_EQ(table.entries[0], "aabbccddeeff00112233ff");
    EXPECT_EQ(table.entries[7], "");

    struct Bad {
        QByteArray text;
        QString error;
    } bad[] = {
        {"", "the file holds no table"},
        {"xy\n", "line 1: the number of devices 'xy' is no hex number"},
        {"2\n123\n", "line 2: an entry is 22 hex digits, not '123'"},
        {"2\n28292A2B2C2D2E2F30313G\n", "line 2: an entry is 22 hex digits, not '28292A2B2C2D2E2F30313G'"},
        {"2\n\n\n\n\n\n\n\n\n1\n", "line 10: the table has eight entries"},
    };
    for (const Bad& b : bad) {
        error.clear();
        EXPECT_FALSE(OneWireCommand::parse(b.text, table, error)) << b.text.toStdString();
        EXPECT_EQ(error, b.error);
    }
}

TEST(PortList, ByIdNamesStandBesideTheirDevice)
{
    const QStringList available{"/dev/serial/by-id/usb-FTDI-port0", "/dev/serial/by-id/usb-lost", "ttyS0", "ttyUSB0",
                                "SIM"};
    const QMap<QString, QStringList> byId{{"ttyUSB0", {"/dev/serial/by-id/usb-FTDI-port0"}},
                                          {"ttyUSB7", {"/dev/serial/by-id/usb-lost"}}};
    EXPECT_EQ(PortsCommand::lines(available, byId),
              QStringList({"ttyS0", "ttyUSB0  /dev/serial/by-id/usb-FTDI-port0", "/dev/serial/by-id/usb-lost", "SIM"}));
    // What each device is stands at the end of its line; a device without a description has none.
    const auto describe = [](const QString& name) {
        return name == "ttyUSB0"           ? QString("FT232R USB UART (A10K2F3Q)")
               : name.endsWith("usb-lost") ? QString("USB 0403:6001")
                                           : QString();
    };
    EXPECT_EQ(PortsCommand::lines(available, byId, describe),
              QStringList({"ttyS0", "ttyUSB0  /dev/serial/by-id/usb-FTDI-port0  FT232R USB UART (A10K2F3Q)",
                           "/dev/serial/by-id/usb-lost  USB 0403:6001", "SIM"}));
}

TEST(ExitCodes, TheHelpTheCliGuideAndTheManPageListTheSame)
{
    const QString guide = readText(QStringLiteral(VELMAR_SOURCE_DIR "/docs/cli.md"));
    const QString man = readText(QStringLiteral(VELMAR_SOURCE_DIR "/cli/velmar-cli.1"));
    ASSERT_FALSE(guide.isEmpty());
    ASSERT_FALSE(man.isEmpty());
    QList<int> codes;
    for (const ExitCodeText& e : ExitCodeTexts()) {
        SCOPED_TRACE(e.text.toStdString());
        codes << int(e.code);
        EXPECT_TRUE(guide.contains(QString("| %1 | %2 |").arg(int(e.code)).arg(e.text)));
        EXPECT_TRUE(man.contains(QString(".B %1\n%2\n").arg(int(e.code)).arg(e.text)));
    }
    // Nothing more in either.
    static const QRegularExpression guideRow("^\\| (\\d+) \\| ", QRegularExpression::MultilineOption);
    QList<int> inGuide;
    for (auto it = guideRow.globalMatch(guide); it.hasNext();)
        inGuide << it.next().captured(1).toInt();
    EXPECT_EQ(inGuide, codes);
    static const QRegularExpression manItem("^\\.B (\\d+)$", QRegularExpression::MultilineOption);
    QList<int> inMan;
    for (auto it = manItem.globalMatch(man); it.hasNext();)
        inMan << it.next().captured(1).toInt();
    EXPECT_EQ(inMan, codes);
}
