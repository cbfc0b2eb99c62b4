// velmar-cli driven as a user drives it, against velmar-sim on a pseudo-terminal and against
// "SIM": the command line, every settings command, the SD card, send lists and the terminal.
#include "CliProcess.h"
#include "ExitCode.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "SimProcess.h"
#include "TCustomComPort.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// velmar-sim on a pseudo-terminal, unpaced, and the arguments that point velmar-cli at it.
struct Board {
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    explicit Board(const QStringList& args = {}) { EXPECT_TRUE(sim.start(args)); }
    [[nodiscard]] QStringList port() const { return {"--port", sim.devicePath()}; }
    CliRun run(const QStringList& args, const QByteArray& input = {}) { return runCli(port() + args, input); }
};

QJsonObject json(const CliRun& r)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_TRUE(doc.isObject());
    return doc.object();
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

TEST(CliProgram, HelpVersionAndUsageErrors)
{
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* command : {"ports", "send", "info", "config", "reset-counters", "i2c", "onewire", "sd", "flash",
                                "awl", "script", "terminal"})
        EXPECT_TRUE(help.out.contains(QString("\n  ") + command + " ")) << command;
    for (const ExitCodeText& e : ExitCodeTexts())
        EXPECT_TRUE(help.out.contains(QString("%1  %2\n").arg(int(e.code), 3).arg(e.text))) << e.text.toStdString();

    EXPECT_EQ(runCli({"--version"}).out, "velmar-cli 1.0\n");
    const CliRun flashHelp = runCli({"flash", "--help"});
    EXPECT_EQ(flashHelp.code, 0);
    EXPECT_TRUE(flashHelp.out.startsWith("Usage: velmar-cli [options] flash FILE.hex\n"));
    EXPECT_EQ(runCli({"help", "flash"}).out, flashHelp.out);
    EXPECT_TRUE(runCli({"awl", "-h"}).out.contains("--watch"));

    // Usage errors: the program's name, the reason, where to look; nothing reaches a port.
    struct Case {
        QStringList args;
        QString message;
    } cases[] = {
        {{}, "no command given"},
        {{"bogus"}, "unknown command 'bogus'"},
        {{"flash"}, "flash: an argument is missing"},
        {{"config", "write"}, "config write: an argument is missing"},
        {{"config", "erase"}, "config: 'erase' is none of read, write"},
        {{"--port", "/dev/none", "config", "write", "300"}, "config write: '300' is no byte (0x13, $13 or 19)"},
        {{"--port", "/dev/none", "i2c", "write", "zz"}, "i2c write: 'zz' is not a valid integer value"},
        {{"--port", "/dev/none", "send", "32", "xyz"}, "send: 'xyz' is no byte in hex"},
        {{"--port", "/dev/none", "flash", "/none/fw.hex"}, "flash: cannot read /none/fw.hex: "},
        {{"--json", "awl", "x.vlb"},
         "--json is for info, send, config read, reset-counters, onewire read, flash, read-flash and verify"},
        {{"--baud", "fast", "info"}, "the baud rate must be a whole number of bit/s, not 'fast'"},
        {{"info", "--nonsense"}, "Unknown option 'nonsense'."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.startsWith("velmar-cli: " + c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(CliProgram, TheWindowTakesHelpAndVersionWithoutADisplay)
{
    QProcessEnvironment env = cliEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb"); // would abort if the window system were asked for
    for (const QString option : {"--help", "--version"}) {
        QProcess ui;
        ui.setProcessEnvironment(env);
        ui.start(QStringLiteral(VELMAR_UI_PROGRAM), {option});
        ASSERT_TRUE(ui.waitForFinished(10000));
        EXPECT_EQ(ui.exitCode(), 0) << option.toStdString();
        const QString out = QString::fromUtf8(ui.readAllStandardOutput());
        if (option == "--version")
            EXPECT_EQ(out, "velmar-ui 1.0\n");
        else
            EXPECT_TRUE(out.startsWith("Usage: velmar-ui [options]\n")) << out.toStdString();
    }
}

TEST(CliProgram, PortsEndWithTheSimulatedBoard)
{
    const CliRun r = runCli({"ports"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.endsWith("SIM\n")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains('\033'));
}

TEST(CliProgram, SendFramesBytesOrTakesAWholeTelegram)
{
    const CliRun select = runCli({"--port", "SIM", "send", "32", "02", "00"});
    EXPECT_EQ(select.code, 0);
    EXPECT_EQ(select.out, "answer $20\n");

    const CliRun read = runCli({"-p", "SIM", "send", ":aa023401a5"});
    EXPECT_EQ(read.out, "answer $34: 00\n"); // the kind byte at address 0

    const CliRun raw = runCli({"send", "--raw", "20", "--port", "SIM"});
    EXPECT_EQ(raw.out, ":aa0120a5\n");

    const QJsonObject o = json(runCli({"--port", "SIM", "--json", "send", "34 0A"}));
    EXPECT_EQ(o["request"].toString(), ":aa02340Aa5");
    EXPECT_TRUE(o["valid"].toBool());
    EXPECT_EQ(o["code"].toInt(), 0x34);
    EXPECT_EQ(o["data"].toArray().size(), 10);
}

TEST(CliProgram, TheBoardsAnswersGiveTheExitCodes)
{
    {
        Board board({"--refuse"});
        const CliRun r = board.run({"send", "20"});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: send: the board refused the telegram (answer $21)"});
        const CliRun config = board.run({"config", "read"});
        EXPECT_EQ(config.code, 1);
        EXPECT_EQ(config.errLines(), QStringList{"velmar-cli: config read: \"select address: 0x0000\" failed: fail"});
    }
    {
        Board board({"--wrong-end"});
        const CliRun r = board.run({"--json", "send", "20"});
        EXPECT_EQ(r.code, 3);
        const QJsonObject o = json(r);
        EXPECT_TRUE(o["answered"].toBool());
        EXPECT_FALSE(o["valid"].toBool());
        EXPECT_EQ(o["answer"].toString(), ":aa0120a4");
        EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: send: no valid answer: :aa0120a4"});
    }
    {
        Board board({"--bad-group", "--fault-codes", "34"});
        const CliRun r = board.run({"reset-counters"});
        EXPECT_EQ(r.code, 3);
        EXPECT_EQ(r.errLines(),
                  QStringList{"velmar-cli: reset-counters: no valid answer: '$zz' is not a valid integer value"});
    }
}

TEST(CliProgram, InfoConfigAndCountersOfACpuBoard)
{
    Board board({"--kind", "1"});
    const CliRun info = board.run({"info"});
    EXPECT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("select address: 0x0002  pass\n read: 0x52 \n")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("Reset Counter: $00$18\n"));
    EXPECT_TRUE(info.out.contains("board kind 1: CPU board (ATmega128 & AT90CAN128)\nconfiguration byte 0x52\n"));
    EXPECT_TRUE(info.out.contains("  [x] SD Card enabled\n"));
    EXPECT_TRUE(info.out.contains("  [ ] LCD on I2C bus enabled\n"));
    EXPECT_FALSE(info.out.contains('\033'));

    QJsonObject o = json(board.run({"--json", "info"}));
    EXPECT_EQ(o["kind"].toInt(), 1);
    EXPECT_EQ(o["config"].toInt(), 0x52);
    EXPECT_TRUE(o["settings"].toObject()["hardwareClock"].toBool());
    EXPECT_FALSE(o["settings"].toObject()["pushButton"].toBool());
    EXPECT_EQ(o["resetCounters"].toObject()["powerOn"].toInt(), 0x18);
    EXPECT_EQ(o["resetCounters"].toObject()["jtag"].toInt(), 2);

    EXPECT_EQ(board.run({"config", "write", "$28"}).code, 0);
    o = json(board.run({"config", "read", "--json"}));
    EXPECT_EQ(o["config"].toInt(), 0x28);
    EXPECT_TRUE(o["settings"].toObject()["lcdOnRs232"].toBool());
    EXPECT_TRUE(o["settings"].toObject()["pushButton"].toBool());
    // Bit 0 has no box on a CPU board, and one LCD connection is all it selects: its dialog
    // could write neither.
    for (const char* b : {"0x29", "0x2A"}) {
        const CliRun refused = board.run({"config", "write", b});
        EXPECT_EQ(refused.code, 2);
        EXPECT_EQ(refused.errLines(),
                  QStringList{QString("velmar-cli: config write: %1 is no configuration of a CPU "
                                      "board (ATmega128 & AT90CAN128); its settings would write 0x28")
                                  .arg(QString(b).toUpper().replace("0X", "0x"))});
    }

    const CliRun cleared = board.run({"--json", "reset-counters", "--clear"});
    EXPECT_EQ(cleared.code, 0);
    o = json(cleared);
    EXPECT_TRUE(o["cleared"].toBool());
    for (const char* key : {"powerOn", "external", "brownOut", "watchdog", "jtag"})
        EXPECT_EQ(o["resetCounters"].toObject()[key].toInt(-1), 0) << key;
    const CliRun counters = board.run({"reset-counters"});
    EXPECT_TRUE(counters.out.contains("reset counters\n   Reset Counter: 0\n        external: 0\n"))
        << counters.out.toStdString();

    // The I2C address belongs to the I/O module only.
    const CliRun i2c = board.run({"i2c", "read"});
    EXPECT_EQ(i2c.code, 1);
    EXPECT_EQ(i2c.errLines(), QStringList{"velmar-cli: i2c read: the board is of kind 1, CPU board (ATmega128 & "
                                          "AT90CAN128); this needs kind 16, I/O module"});
}

// Scripts read the objects by their keys: identifiers, never the texts of the dialogs.
TEST(CliProgram, EveryJsonObjectHasIdentifiersForKeys)
{
    const QRegularExpression identifier("^[a-z][A-Za-z0-9]*$");
    std::function<void(const QJsonValue&, const QString&)> check = [&](const QJsonValue& v, const QString& where) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            EXPECT_TRUE(identifier.match(it.key()).hasMatch()) << (where + ": " + it.key()).toStdString();
            check(it.value(), where);
        }
        for (const QJsonValue& item : v.toArray())
            check(item, where);
    };
    const QList<QStringList> reads{{"info"}, {"config", "read"}};
    const std::pair<const char*, QList<QStringList>> runs[] = {
        {"0", reads + QList<QStringList>{{"reset-counters", "--clear"}, {"send", "34 01"}, {"send", "99"}}},
        {"1", reads},
        {"2", reads + QList<QStringList>{{"onewire", "read"}}},
        {"16", {{"info"}}},
    };
    for (const auto& [kind, commands] : runs) {
        Board board({"--kind", kind});
        for (const QStringList& args : commands) {
            const QJsonObject o = json(board.run(QStringList{"--json"} + args));
            EXPECT_FALSE(o.isEmpty()) << args.join(' ').toStdString();
            check(o, QString(kind) + " " + args.join(' '));
        }
    }
}

TEST(CliProgram, I2cAddressOfTheIoModule)
{
    Board board({"--kind", "16"});
    const CliRun read = board.run({"i2c", "read"});
    EXPECT_EQ(read.code, 0);
    EXPECT_TRUE(read.out.contains("Adresse senden: 0x0003  pass\nDaten aus dem EEPROM lesen: \nEEPR = $40 \n"))
        << read.out.toStdString();
    EXPECT_TRUE(read.out.endsWith("I2C address 40\n"));
    const CliRun write = board.run({"i2c", "write", "0x1FF"});
    EXPECT_EQ(write.code, 0);
    EXPECT_TRUE(write.out.contains("FF in das EEPROM schreiben:   pass")) << write.out.toStdString();
    EXPECT_TRUE(board.run({"i2c", "read"}).out.endsWith("I2C address FF\n"));
    // An I/O module has no configuration byte; info shows its address instead.
    EXPECT_EQ(board.run({"config", "read"}).code, 1);
    const QJsonObject o = json(board.run({"info", "--json"}));
    EXPECT_EQ(o["i2cAddress"].toInt(), 0xFF);
    EXPECT_FALSE(o.contains("config"));
}

TEST(CliProgram, OneWireTableThroughAFile)
{
    Board board({"--kind", "2"});
    QTemporaryDir dir;
    const QString file = dir.filePath("table.txt");
    const CliRun read = board.run({"onewire", "read", file});
    EXPECT_EQ(read.code, 0) << read.err.toStdString();
    const QList<QByteArray> lines = FileBytes(file).split('\n');
    ASSERT_EQ(lines.size(), 11); // comment, count, eight entries, and the end
    EXPECT_TRUE(lines[0].startsWith('#'));
    EXPECT_EQ(lines[1], "02");
    // The module's live sensor readings stand in bytes 1 and 2 of an entry.
    EXPECT_TRUE(QRegularExpression("^28[0-9A-F]{4}2B2C2D2E2F303132$").match(lines[2]).hasMatch()) << lines[2].data();
    EXPECT_EQ(lines[9], "0000000000000000000000");

    // Change the count and two entries, empty one: the module keeps what was written.
    QList<QByteArray> changed = lines;
    changed[1] = "3";
    changed[3] = "a1a2a3a4a5a6a7a8a9aaab";
    changed[4] = "";
    writeFile(file, changed.join('\n'));
    const CliRun write = board.run({"onewire", "write", file});
    EXPECT_EQ(write.code, 0) << write.err.toStdString();
    EXPECT_TRUE(write.out.contains("Fehler in der Länge 00  pass")) << write.out.toStdString();

    // In the EEPROM from 0x0100: the count, then entry n at 0x0101 + 11 n.
    EXPECT_EQ(board.run({"send", "32 00 01"}).code, 0);
    QString first; // entry 0 as read, which went back unchanged
    for (int i = 0; i < 22; i += 2)
        first += ' ' + QString::fromLatin1(lines[2].mid(i, 2));
    EXPECT_EQ(board.run({"send", "34 17"}).out, "answer $34: 03" + first + " A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n");
    EXPECT_EQ(board.run({"send", "34 0B"}).out, "answer $34: 00 00 00 00 00 00 00 00 00 00 00\n");
    const QJsonObject o = json(board.run({"--json", "onewire", "read"}));
    EXPECT_EQ(o["count"].toString(), "03");
    ASSERT_EQ(o["entries"].toArray().size(), 8);

    writeFile(file, "02\n123\n");
    const CliRun bad = board.run({"onewire", "write", file});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.err.contains("line 2: an entry is 22 hex digits, not '123'")) << bad.err.toStdString();
    EXPECT_EQ(runCli({"-p", "SIM", "onewire", "read"}).code, 1); // a base board has no table
}

TEST(CliProgram, AStillModuleReadsItsTableBackAsWrittenAndRefusesEntriesWith22)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("table.txt");
    QByteArray table = "03\n";
    for (int n = 0; n < 8; ++n)
        table += QByteArray::number(0xA0 + n, 16).toUpper().repeated(11) + '\n';
    writeFile(file, table);
    Board still({"--kind", "2", "--no-animate"});
    EXPECT_EQ(still.run({"onewire", "write", file}).code, 0);
    const QString back = dir.filePath("back.txt");
    EXPECT_EQ(still.run({"onewire", "read", back}).code, 0);
    EXPECT_EQ(FileBytes(back).split('\n').mid(1).join('\n'), table);

    Board refusing({"--kind", "2", "--refuse", "--fault-codes", "33"});
    const CliRun r = refusing.run({"onewire", "write", file});
    EXPECT_EQ(r.code, 1);
    for (int n = 0; n < 8; ++n)
        EXPECT_TRUE(r.out.contains(QString("Daten ow%1 in das EEPROM schreiben:   fail\n").arg(n)))
            << r.out.toStdString();
}

TEST(CliProgram, SdCardPutAndGet)
{
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    Board board({"--kind", "1", "--sd-card", card});
    const QString pc = dir.filePath("notes.txt");
    writeFile(pc, "first line\r\n\r\nand a line longer than the thirty bytes of one telegram\r\n");
    const CliRun put = board.run({"sd", "put", pc});
    EXPECT_EQ(put.code, 0) << put.err.toStdString();
    EXPECT_TRUE(put.out.contains("open file notes.txt  pass\nwrite file: ...\nclose file:   pass"))
        << put.out.toStdString();
    EXPECT_EQ(FileBytes(card + "/notes.txt"), "first line\nand a line longer than the thirty bytes of one telegram\n");

    const QString back = dir.filePath("back.txt");
    const CliRun get = board.run({"sd", "get", "notes.txt", back});
    EXPECT_EQ(get.code, 0) << get.err.toStdString();
    EXPECT_EQ(FileBytes(back), "first line\r\nand a line longer than the thirty bytes of one telegram\r\n");

    const CliRun missing = board.run({"sd", "get", "none.txt", dir.filePath("none.txt")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.errLines(), QStringList{"velmar-cli: sd get: \"open file none.txt\" failed: fail"});
    EXPECT_FALSE(QFile::exists(dir.filePath("none.txt")));
}

TEST(CliProgram, ACopyOrAWriteThatFailsOnTheBoardIsNoSuccess)
{
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    const QString pc = dir.filePath("werte.txt");
    struct Case {
        QStringList sim, args;
        int code;
        const char* shown; // a line of the log
    } cases[] = {
        // Reads refused or unanswered: the old PC file stays, the copy is no success.
        {{"--fault-codes", "73", "--refuse"}, {"sd", "get", "werte.txt", pc}, 1, "read file incomplete: werte.txt"},
        {{"--fault-codes", "73", "--wrong-end"}, {"sd", "get", "werte.txt", pc}, 3, "read file incomplete: werte.txt"},
        // An address select that is refused writes nothing.
        {{"--fault-codes", "32", "--refuse"}, {"config", "write", "0x52"}, 1, "write skipped: the EEPROM address"},
        {{"--fault-codes", "32", "--wrong-end"}, {"reset-counters", "--clear"}, 3, "write skipped: the EEPROM address"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(QDir().mkpath(card));
        writeFile(card + "/werte.txt", "T1=21.5\nT2=19.0\n");
        writeFile(pc, "alt\r\n");
        Board board(QStringList{"--kind", "1", "--sd-card", card} + c.sim);
        const CliRun r = board.run(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.code, c.code) << what << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.shown)) << what << r.out.toStdString();
        EXPECT_FALSE(r.out.contains(" in das EEPROM schreiben") || r.out.contains(" write 0x")) << what;
        EXPECT_EQ(FileBytes(pc), "alt\r\n") << what;
    }
}

TEST(CliProgram, ScriptRunsTheListOnceOrInALoop)
{
    QTemporaryDir dir;
    const QString list = dir.filePath("list.csv");
    writeFile(list, "CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\r\n"
                    "TIME;;;;;;;;;;\r\n"
                    "GETU;1;;;;;;;;2;module 1\r\n"
                    "WVAR;3;;;;;;;;;\r\n");
    const QString log = dir.filePath("log.csv");
    const CliRun once = runCli({"--port", "SIM", "script", list, "--log", log});
    EXPECT_EQ(once.code, 0) << once.err.toStdString();
    const QStringList lines = once.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << once.out.toStdString();
    EXPECT_TRUE(lines[0].endsWith(';'));
    EXPECT_TRUE(lines[1].startsWith("Baustein $01  ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("Word Variable $03 ")) << lines[2].toStdString();
    const QByteArray written = FileBytes(log);
    EXPECT_TRUE(written.startsWith("\r\n")); // TIME ends the line it begins
    EXPECT_EQ(written.count(';'), 3);

    // In a loop until the signal; the rows keep their order.
    CliProcess loop({"--port", "SIM", "script", "--loop", "--info", list});
    ASSERT_TRUE(loop.waitForOutput("Timer Zeile: 2", 5000));
    ASSERT_TRUE(loop.waitForOutput("Timer Zeile: 0", 5000, 2)); // again from the first row
    ASSERT_TRUE(loop.signal(SIGINT));
    const CliRun ended = loop.finish(5000);
    EXPECT_EQ(ended.code, 130);
    EXPECT_EQ(ended.errLines(), QStringList{"velmar-cli: script: interrupted"});

    // A board that refuses leaves the fault flag set: the row is named.
    Board refusing({"--refuse"});
    const CliRun failed = refusing.run({"script", list});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.errLines(), QStringList{"velmar-cli: script: row 2 (GETU) failed, see the log"});

    // A log file that cannot be written ends the run with its error.
    const CliRun full = runCli({"--port", "SIM", "script", list, "--log", "/dev/full"});
    EXPECT_EQ(full.code, 2);
    ASSERT_EQ(full.errLines().size(), 1);
    EXPECT_TRUE(full.err.startsWith("velmar-cli: script: Cannot write /dev/full: ")) << full.err.toStdString();

    // A board whose answers never make a telegram: nothing was answered at all.
    Board garbling({"--wrong-end"});
    const CliRun none = garbling.run({"script", list});
    EXPECT_EQ(none.code, 3);
    EXPECT_EQ(none.errLines(), QStringList{"velmar-cli: script: no telegram was answered"});
}

TEST(CliProgram, TerminalSendsLinesAndPrintsTheBoard)
{
    Board board;
    const CliRun r = board.run({"terminal"}, "time 14 05 09\n");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    // The line sent, then what the board answered to it.
    EXPECT_TRUE(r.out.startsWith("time 14 05 09\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("14:05:09")) << r.out.toStdString();

    const CliRun clock = board.run({"terminal", "--time"}, "");
    EXPECT_EQ(clock.code, 0);
    EXPECT_TRUE(
        QRegularExpression("^time \\d\\d \\d\\d \\d\\d\ndate \\d\\d \\d\\d \\d{4} [0-6]\n").match(clock.out).hasMatch())
        << clock.out.toStdString();
}

TEST(CliProgram, ThePortComesFromTheWindowsSettingsElseSim)
{
    Board board({"--kind", "2"});
    QTemporaryDir dir;
    const QString settings = dir.filePath("Settings.ini");
    writeFile(settings, "[Hauptfenster]\nXPos=10\nComPort=" + board.sim.devicePath().toUtf8() + "\n");
    const QString before = QString::fromUtf8(FileBytes(settings));
    const CliRun stored = runCli({"--settings", settings, "--json", "info"});
    EXPECT_EQ(stored.code, 0) << stored.err.toStdString();
    EXPECT_EQ(json(stored)["kind"].toInt(), 2);
    EXPECT_EQ(QString::fromUtf8(FileBytes(settings)), before); // only read

    // A file that is not there is a mistake, never the simulated board in its place.
    const QString missing = dir.filePath("missing.ini");
    for (const QStringList& port : {QStringList{}, QStringList{"--port", board.sim.devicePath()}}) {
        const CliRun none = runCli(port + QStringList{"--settings", missing, "info"});
        EXPECT_EQ(none.code, 2);
        EXPECT_EQ(none.errLines(), QStringList{"velmar-cli: info: cannot read the settings file " + missing +
                                               ": No such file or directory"});
        EXPECT_TRUE(none.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(missing));

    // --port wins over the stored one.
    EXPECT_EQ(json(runCli({"--settings", settings, "--port", "SIM", "--json", "info"}))["kind"].toInt(), 0);
}

TEST(CliProgram, ASettingsFileThatIsNoRegularFileIsNamedAndNeverOpened)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("f.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path, kind;
    } cases[] = {{fifo, "a FIFO"}, {dir.path(), "a directory"}, {"/dev/null", "a character device"}};
    for (const auto& c : cases) {
        const CliRun r = runCli({"--settings", c.path, "info"}, {}, cliEnvironment(), 5000);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: info: the settings file " + c.path + " is " + c.kind +
                                            ", not a regular file"});
    }
}

TEST(CliProgram, PortsThatCannotBeOpened)
{
    const CliRun missing = runCli({"--port", "/dev/velmar-none", "info"});
    EXPECT_EQ(missing.code, 4);
    // The error's text and the system's reason on one line, what to do below it.
    ASSERT_EQ(missing.errLines().size(), 2) << missing.err.toStdString();
    EXPECT_EQ(missing.errLines()[0], "velmar-cli: info: COM Port Error: Unable to open com port on "
                                     "/dev/velmar-none: No such file or directory");
    EXPECT_TRUE(missing.errLines()[1].startsWith("  /dev/velmar-none is not connected.")) << missing.err.toStdString();

    // Opened exclusively: a port another program holds is refused, and released when it lets go.
    Board board;
    {
        TCustomComPort other;
        other.SetPort(board.sim.devicePath());
        other.Open();
        const CliRun held = board.run({"info"});
        EXPECT_EQ(held.code, 4);
        ASSERT_EQ(held.errLines().size(), 2) << held.err.toStdString();
        // The flock table names this test as the holder.
        EXPECT_TRUE(held.errLines()[1].startsWith(
            QString("  Another program has the port open: PID %1 (").arg(QCoreApplication::applicationPid())))
            << held.err.toStdString();
    }
    EXPECT_EQ(board.run({"info"}).code, 0);
}

TEST(CliProgram, QuietLeavesOnlyErrors)
{
    const CliRun quiet = runCli({"--port", "SIM", "--quiet", "info"});
    EXPECT_EQ(quiet.code, 0);
    EXPECT_TRUE(quiet.out.isEmpty()) << quiet.out.toStdString();
    EXPECT_TRUE(quiet.err.isEmpty());
    EXPECT_EQ(json(runCli({"--port", "SIM", "-q", "--json", "reset-counters"}))["resetCounters"].toObject().size(), 5);
    const CliRun failed = runCli({"--port", "/dev/velmar-none", "-q", "info"});
    EXPECT_EQ(failed.code, 4);
    // The error and its hint, nothing else.
    ASSERT_EQ(failed.errLines().size(), 2) << failed.err.toStdString();
    EXPECT_TRUE(failed.errLines()[0].startsWith("velmar-cli: info: COM Port Error: "));
    EXPECT_TRUE(failed.errLines()[1].startsWith("  /dev/velmar-none is not connected."));
}

TEST(CliProgram, WatchPrintsARowPerCycleOnTheInterval)
{
    Board board;
    QTemporaryDir dir;
    const QString file = dir.filePath("watch.csv");
    const CliRun r =
        board.run({"watch", "--bit", "3", "--word", "2", "--interval", "50", "--duration", "1", "--csv", file});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    const QStringList rows = QString::fromUtf8(FileBytes(file)).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ(rows[0], "time,status,inputs,buttons,outputs,bit 3,word 2");
    // Twenty cycles in the second, give or take a loaded machine; each row complete.
    EXPECT_GE(rows.size() - 1, 15);
    EXPECT_LE(rows.size() - 1, 22);
    const QRegularExpression row(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d),ok,0x[0-9A-F]{2},)"
                                 R"(0x[0-9A-F]{2},0x[0-9A-F]{2},[01],\d+$)");
    QList<qint64> times;
    for (const QString& line : rows.mid(1)) {
        EXPECT_TRUE(row.match(line).hasMatch()) << line.toStdString();
        times << QDateTime::fromString(line.section(',', 0, 0), Qt::ISODateWithMs).toMSecsSinceEpoch();
    }
    for (qsizetype i = 1; i < times.size(); ++i)
        EXPECT_NEAR(times[i] - times[i - 1], 50, 35) << i;

    // A silent board: rows that say so, on time, and no answer in the whole run.
    Board silent({"--silent"});
    const CliRun quiet = silent.run({"watch", "--word", "1", "--duration", "1"});
    EXPECT_EQ(quiet.code, 3);
    EXPECT_EQ(quiet.errLines(), QStringList{"velmar-cli: watch: no telegram was answered"});
    const QStringList noAnswer = quiet.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_GE(noAnswer.size() - 1, 7);
    EXPECT_TRUE(noAnswer.last().endsWith(",no answer,,,,")) << noAnswer.last().toStdString();
    EXPECT_LT(quiet.ms, 5000);

    // A signal ends it with 130, as every command, and cuts no row in half.
    CliProcess watch(board.port() + QStringList{"watch", "--word", "2"});
    ASSERT_TRUE(watch.waitForOutput(",ok,", 5000, 2));
    ASSERT_TRUE(watch.signal(SIGINT));
    const CliRun ended = watch.finish(5000);
    EXPECT_EQ(ended.code, 130);
    EXPECT_TRUE(ended.out.endsWith('\n'));
    EXPECT_EQ(board.run({"watch", "--bit", "256"}).code, 2);
}

TEST(CliProgram, ARecordingNeverTakesAFileOfTheCommandOrAnEarlierRecording)
{
    QTemporaryDir dir;
    const QString table = dir.filePath("table.txt"), recording = dir.filePath("old.txt");
    writeFile(table, "# 1-Wire\n00\n");
    writeFile(recording, "# an earlier recording\n");
    const CliRun own = runCli({"--port", "SIM", "--record", table, "onewire", "write", table});
    EXPECT_EQ(own.errLines(), QStringList{"velmar-cli: onewire write: cannot record into " + table +
                                          ": the command reads or writes it itself"});
    const CliRun noPort = runCli({"--port", "/dev/velmar-none", "--record", recording, "info"});
    EXPECT_EQ(own.code + noPort.code, 2 + 4);
    EXPECT_EQ(FileBytes(table) + FileBytes(recording), "# 1-Wire\n00\n# an earlier recording\n");

    // A disk that fills: the recording stops with its reason, the job goes on.
    CliRun full;
    {
        FileSizeLimit limit(400);
        full = runCli({"--port", "SIM", "--record", recording, "info"});
    }
    EXPECT_EQ(full.code, 0);
    EXPECT_EQ(full.errLines(), QStringList{"velmar-cli: the recording " + recording + " stopped: File too large"});
    EXPECT_EQ(FileBytes(recording).size(), 400);
}

TEST(CliProgram, WatchKeepsStdoutForTheCsvAndTakesNoValueATimerCannot)
{
    // One cycle for a duration shorter than one, its echo on stderr.
    const CliRun once = runCli({"--port", "SIM", "--echo", "watch", "--word", "2", "--duration", "0.0001"}, {},
                               cliEnvironment(), 10000);
    EXPECT_EQ(once.code, 0) << once.err.toStdString();
    EXPECT_TRUE(
        once.out.contains(QRegularExpression("^time,status,inputs,buttons,outputs,word 2\n[^\n]*,ok,[^\n]*\n$")))
        << once.out.toStdString();
    EXPECT_TRUE(once.err.contains(":aa")) << once.err.toStdString(); // the telegrams
    for (const QStringList& option : {QStringList{"--interval", "2147483648", "10 to 2147483647 ms"},
                                      QStringList{"--duration", "2147484", "seconds above 0 up to 2147483.647"}})
        EXPECT_TRUE(runCli({"--port", "SIM", "watch", option[0], option[1]})
                        .err.startsWith(
                            QString("velmar-cli: watch: %1 takes %3, not '%2'").arg(option[0], option[1], option[2])));
}
