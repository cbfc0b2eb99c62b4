// velmar-sim: a simulated Velmar board on a pseudo-terminal.
#include "SignalWatcher.h"
#include "SimBoard.h"
#include "SimPty.h"
#include "SimReplay.h"
#include "VelmarVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>

namespace {

struct OptionRow {
    QStringList names{};
    QString description{};
    QString valueName{}; // empty for a flag
    QString defaultValue{};
};

// The options in the order the help lists them.
const QList<OptionRow> Options{
    {{"l", "link"},
     "Also place a symbolic link to the device at <path>; only a symbolic link there is replaced, anything else "
     "ends the program with 2.",
     "path"},
    {{"k", "kind"}, "Board kind byte: 0 base, 1 CPU, 2 LCD, 16 (0x10) I/O module.", "n", "0"},
    {{"pace"}, "Pace the line at 57600 baud."},
    {{"silent"}, "Answer no telegram."},
    {{"refuse"}, "Refuse every telegram (0x21)."},
    {{"refuse-every"}, "Refuse every <n>-th telegram (0x21).", "n", "0"},
    {{"wrong-start"}, "Answer with start byte 0xAB."},
    {{"wrong-end"}, "Answer with end byte 0xA4."},
    {{"bad-group"}, "Put a group that is not hex into answers."},
    {{"wrong-code"}, "Answer with the code's top bit flipped (0x34 as 0xB4)."},
    {{"delay"}, "Answer telegrams after <ms>.", "ms", "0"},
    {{"noise"}, "Send <text> before the ':' of answers.", "text"},
    {{"fault-codes"}, "Apply the telegram faults only to these commands (hex, comma-separated), e.g. 32,34.", "list"},
    {{"flash-end"}, "Firmware area end reported by 'X' (hex), e.g. 1F000.", "hex", "1F000"},
    {{"block-size"}, "Bootloader block size.", "n", "256"},
    {{"cr-lf"}, "End the bootloader's replies to 'X' and 'b' with CR LF instead of CR."},
    {{"no-signon"}, "The bootloader never signs on."},
    {{"drop-ack"}, "Drop the acknowledgement of block write <n> (0-based).", "n"},
    {{"corrupt-at"}, "Flip the byte at flash address <hex> on read-back.", "hex"},
    {{"short-read"}, "Send only half of block read <n> (0-based).", "n"},
    {{"short-x"}, "Answer 'X' with two bytes only."},
    {{"block-size-zero"}, "Answer 'b' with 0."},
    {{"invalid-firmware"}, "Mark the firmware invalid (EEPROM 0x0001 = 0xFF)."},
    {{"sd-card"}, "Keep the files of the SD card in the folder <dir> (made when missing) instead of in memory.", "dir"},
    {{"random-faults"},
     "Fault <percent> of the telegrams at random: no answer, a refusal, or a code group that is not hex.",
     "percent",
     "0"},
    {{"seed"}, "Seed of the random faults.", "n", "1"},
    {{"flood"},
     "Flood the line with text for <s> seconds from the start (the terminal line \"flood <s>\" does the same "
     "later).",
     "s",
     "0"},
    {{"no-animate"},
     "Keep the inputs, outputs, signals and sensor readings still, and the 1-Wire table exactly as written."},
    {{"replay"}, "Play the board's side of the line recording <file> back instead of simulating a board.", "file"},
};

void describe(QCommandLineParser& p)
{
    p.setApplicationDescription(QStringLiteral(
        "A simulated Velmar board on a pseudo-terminal. Prints the device path; point the tool's port at it.\n"
        "SIGUSR1 unplugs the board (the device disappears), SIGUSR2 plugs it in again on a new device."));
    p.addHelpOption();
    p.addVersionOption();
    for (const OptionRow& o : Options)
        p.addOption(o.valueName.isEmpty() ? QCommandLineOption(o.names, o.description)
                                          : QCommandLineOption(o.names, o.description, o.valueName, o.defaultValue));
}

// The board as the options make it; false, with the message printed, for an option that
// makes none.
bool makeBoard(const QCommandLineParser& p, SimBoard& board)
{
    bool kindOk = false;
    const QString kindText = p.value("kind").trimmed();
    const uint kindValue = kindText.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)
                               ? kindText.mid(2).toUInt(&kindOk, 16)
                               : kindText.toUInt(&kindOk, 10);
    if (!kindOk || kindValue > 255) {
        std::fprintf(stderr, "velmar-sim: board kind must be a byte, not '%s'\n", qPrintable(p.value("kind")));
        return false;
    }
    board.setKind(std::uint8_t(kindValue));
    board.setFlashAreaEnd(p.value("flash-end").toUInt(nullptr, 16));
    board.setBlockSize(std::uint16_t(p.value("block-size").toUInt()));
    board.setCrLfReplies(p.isSet("cr-lf"));
    board.animate = !p.isSet("no-animate");
    if (p.isSet("invalid-firmware"))
        board.eeprom()[1] = 0xFF;
    if (p.isSet("sd-card")) {
        QString error;
        if (!board.sdCard().useFolder(p.value("sd-card"), &error)) {
            std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(error));
            return false;
        }
    }
    return true;
}

// The faults the options ask for; false, with the message printed, for a list of codes that
// holds something else.
bool setFaults(const QCommandLineParser& p, SimFaults& f)
{
    f.silent = p.isSet("silent");
    f.refuseAll = p.isSet("refuse");
    f.refuseEvery = p.value("refuse-every").toInt();
    f.wrongStart = p.isSet("wrong-start");
    f.wrongEnd = p.isSet("wrong-end");
    f.badGroup = p.isSet("bad-group");
    f.wrongCode = p.isSet("wrong-code");
    f.answerDelayMs = p.value("delay").toInt();
    f.noise = p.value("noise").toLatin1();
    for (const QString& code : p.value("fault-codes").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint c = code.trimmed().toUInt(&ok, 16);
        if (!ok || c > 255) {
            std::fprintf(stderr, "velmar-sim: '%s' is no command code\n", qPrintable(code));
            return false;
        }
        f.onlyCodes.append(std::uint8_t(c));
    }
    f.noSignOn = p.isSet("no-signon");
    if (p.isSet("drop-ack"))
        f.dropAckOfBlock = p.value("drop-ack").toInt();
    if (p.isSet("corrupt-at"))
        f.corruptReadbackAt = p.value("corrupt-at").toLongLong(nullptr, 16);
    if (p.isSet("short-read"))
        f.shortReadOfBlock = p.value("short-read").toInt();
    f.shortAreaEnd = p.isSet("short-x");
    f.blockSizeZero = p.isSet("block-size-zero");
    f.randomPercent = std::clamp(p.value("random-faults").toInt(), 0, 100);
    f.randomSeed = p.value("seed").toUInt();
    return true;
}

// Plugs the board in on a new pseudo-terminal and prints its path; the exit code when that
// fails: 1 without a pseudo-terminal, 2 for a link that cannot be placed.
int plugIn(SimPty& pty, const QCommandLineParser& p)
{
    QString error;
    if (!pty.start(&error)) {
        std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(error));
        return 1;
    }
    pty.setPaced(p.isSet("pace"));
    if (p.isSet("link") && !pty.placeLink(p.value("link"), &error)) {
        std::fprintf(stderr, "velmar-sim: cannot place the link %s\n", qPrintable(error));
        pty.unplug();
        return 2;
    }
    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);
    return 0;
}

// --replay: the pseudo-terminal carries a recorded line session instead of the board.
bool attachReplay(const QCommandLineParser& p, SimReplay& replay, SimPty& pty)
{
    QString error;
    if (!replay.load(p.value("replay"), &error)) {
        std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(error));
        return false;
    }
    if (!replay.notice().isEmpty())
        std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(replay.notice()));
    replay.attach(pty);
    QObject::connect(&replay, &SimReplay::finished, [&replay] {
        std::printf("replay: end of the recording, %d requests answered\n", replay.requests());
        std::fflush(stdout);
    });
    QObject::connect(&replay, &SimReplay::failed, [](const QString& line) {
        std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(line));
        QCoreApplication::exit(1);
    });
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmar-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION_STRING));
    QCommandLineParser p;
    describe(p);
    p.process(app);

    SimBoard board;
    if (!makeBoard(p, board) || !setFaults(p, board.faults()))
        return 2;
    SimPty pty(board);
    SimReplay replay;
    if (p.isSet("replay") && !attachReplay(p, replay, pty))
        return 2;
    // The signals are taken before the first path is printed: whoever reads that line may
    // pull the cable at once, and an unhandled SIGUSR1 would end the program instead.
    // SIGHUP (the terminal closed) ends it as SIGINT and SIGTERM do, the link taken away.
    SignalWatcher signals{SIGUSR1, SIGUSR2, SIGINT, SIGTERM, SIGHUP};
    if (!signals.installed())
        return 1;
    QObject::connect(&signals, &SignalWatcher::received, [&](int signal) {
        if (signal == SIGUSR1) {
            pty.unplug();
            std::printf("unplugged\n");
            std::fflush(stdout);
        } else if (signal == SIGUSR2) {
            if (!pty.running())
                if (const int failed = plugIn(pty, p))
                    QCoreApplication::exit(failed);
        } else {
            app.quit();
        }
    });
    if (const int failed = plugIn(pty, p))
        return failed;
    if (p.isSet("replay"))
        replay.start();
    if (const int s = p.value("flood").toInt(); s > 0)
        board.flood(s * 1000);
    return app.exec();
}
