// velmar-sim: a simulated Velmar board on a pseudo-terminal.
#include "SimBoard.h"
#include "SimPty.h"
#include "VelmarVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = char(sig);
    (void)!::write(signalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmar-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION_STRING));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated Velmar board on a pseudo-terminal. Prints the device path; point the tool's port at it.\n"
        "SIGUSR1 unplugs the board (the device disappears), SIGUSR2 plugs it in again on a new device."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption link({QStringLiteral("l"), QStringLiteral("link")},
                                  QStringLiteral("Also place a symbolic link to the device at <path>."),
                                  QStringLiteral("path"));
    const QCommandLineOption kind({QStringLiteral("k"), QStringLiteral("kind")},
                                  QStringLiteral("Board kind byte: 0 base, 1 CPU, 2 LCD, 16 (0x10) I/O module."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Pace the line at 57600 baud."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Answer no telegram."));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QStringLiteral("Refuse every telegram (0x21)."));
    const QCommandLineOption refuseEvery(QStringLiteral("refuse-every"),
                                         QStringLiteral("Refuse every <n>-th telegram (0x21)."), QStringLiteral("n"),
                                         QStringLiteral("0"));
    const QCommandLineOption wrongStart(QStringLiteral("wrong-start"), QStringLiteral("Answer with start byte 0xAB."));
    const QCommandLineOption wrongEnd(QStringLiteral("wrong-end"), QStringLiteral("Answer with end byte 0xA4."));
    const QCommandLineOption badGroup(QStringLiteral("bad-group"),
                                      QStringLiteral("Put a group that is not hex into answers."));
    const QCommandLineOption wrongCode(QStringLiteral("wrong-code"),
                                       QStringLiteral("Answer with the code's top bit flipped (0x34 as 0xB4)."));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer telegrams after <ms>."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("Send <text> before the ':' of answers."),
                                   QStringLiteral("text"));
    const QCommandLineOption faultCodes(QStringLiteral("fault-codes"),
                                        QStringLiteral("Apply the telegram faults only to these commands (hex, "
                                                       "comma-separated), e.g. 32,34."),
                                        QStringLiteral("list"));
    const QCommandLineOption flashEnd(QStringLiteral("flash-end"),
                                      QStringLiteral("Firmware area end reported by 'X' (hex), e.g. 1F000."),
                                      QStringLiteral("hex"), QStringLiteral("1F000"));
    const QCommandLineOption blockSize(QStringLiteral("block-size"), QStringLiteral("Bootloader block size."),
                                       QStringLiteral("n"), QStringLiteral("256"));
    const QCommandLineOption noSignOn(QStringLiteral("no-signon"), QStringLiteral("The bootloader never signs on."));
    const QCommandLineOption dropAck(QStringLiteral("drop-ack"),
                                     QStringLiteral("Drop the acknowledgement of block write <n> (0-based)."),
                                     QStringLiteral("n"));
    const QCommandLineOption corrupt(QStringLiteral("corrupt-at"),
                                     QStringLiteral("Flip the byte at flash address <hex> on read-back."),
                                     QStringLiteral("hex"));
    const QCommandLineOption shortX(QStringLiteral("short-x"), QStringLiteral("Answer 'X' with two bytes only."));
    const QCommandLineOption blockZero(QStringLiteral("block-size-zero"), QStringLiteral("Answer 'b' with 0."));
    const QCommandLineOption invalidFw(QStringLiteral("invalid-firmware"),
                                       QStringLiteral("Mark the firmware invalid (EEPROM 0x0001 = 0xFF)."));
    const QCommandLineOption sdCard(QStringLiteral("sd-card"),
                                    QStringLiteral("Keep the files of the SD card in the folder <dir> (made when "
                                                   "missing) instead of in memory."),
                                    QStringLiteral("dir"));
    const QCommandLineOption randomFaults(QStringLiteral("random-faults"),
                                          QStringLiteral("Fault <percent> of the telegrams at random: no answer, a "
                                                         "refusal, or a code group that is not hex."),
                                          QStringLiteral("percent"), QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the random faults."),
                                  QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption flood(QStringLiteral("flood"),
                                   QStringLiteral("Flood the line with text for <s> seconds from the start (the "
                                                  "terminal line \"flood <s>\" does the same later)."),
                                   QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption noAnimate(QStringLiteral("no-animate"),
                                       QStringLiteral("Keep the inputs, outputs, signals and sensor readings still, "
                                                      "and the 1-Wire table exactly as written."));
    p.addOptions({link,      kind,         pace,      silent,  refuse,   refuseEvery, wrongStart,
                  wrongEnd,  badGroup,     wrongCode, delay,   noise,    faultCodes,  flashEnd,
                  blockSize, noSignOn,     dropAck,   corrupt, shortX,   blockZero,   invalidFw,
                  sdCard,    randomFaults, seed,      flood,   noAnimate});
    p.process(app);

    bool kindOk = false;
    const QString kindText = p.value(kind).trimmed();
    const uint kindValue = kindText.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)
                               ? kindText.mid(2).toUInt(&kindOk, 16)
                               : kindText.toUInt(&kindOk, 10);
    if (!kindOk || kindValue > 255) {
        std::fprintf(stderr, "velmar-sim: board kind must be a byte, not '%s'\n", qPrintable(p.value(kind)));
        return 2;
    }
    SimBoard board;
    board.setKind(std::uint8_t(kindValue));
    board.setFlashAreaEnd(p.value(flashEnd).toUInt(nullptr, 16));
    board.setBlockSize(std::uint16_t(p.value(blockSize).toUInt()));
    board.animate = !p.isSet(noAnimate);
    if (p.isSet(invalidFw))
        board.eeprom()[1] = 0xFF;
    if (p.isSet(sdCard)) {
        QString error;
        if (!board.sdCard().useFolder(p.value(sdCard), &error)) {
            std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(error));
            return 2;
        }
    }
    SimFaults& f = board.faults();
    f.silent = p.isSet(silent);
    f.refuseAll = p.isSet(refuse);
    f.refuseEvery = p.value(refuseEvery).toInt();
    f.wrongStart = p.isSet(wrongStart);
    f.wrongEnd = p.isSet(wrongEnd);
    f.badGroup = p.isSet(badGroup);
    f.wrongCode = p.isSet(wrongCode);
    f.answerDelayMs = p.value(delay).toInt();
    f.noise = p.value(noise).toLatin1();
    for (const QString& code : p.value(faultCodes).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint c = code.trimmed().toUInt(&ok, 16);
        if (!ok || c > 255) {
            std::fprintf(stderr, "velmar-sim: '%s' is no command code\n", qPrintable(code));
            return 2;
        }
        f.onlyCodes.append(std::uint8_t(c));
    }
    f.noSignOn = p.isSet(noSignOn);
    if (p.isSet(dropAck))
        f.dropAckOfBlock = p.value(dropAck).toInt();
    if (p.isSet(corrupt))
        f.corruptReadbackAt = p.value(corrupt).toLongLong(nullptr, 16);
    f.shortAreaEnd = p.isSet(shortX);
    f.blockSizeZero = p.isSet(blockZero);
    f.randomPercent = std::clamp(p.value(randomFaults).toInt(), 0, 100);
    f.randomSeed = p.value(seed).toUInt();

    SimPty pty(board);
    auto plugIn = [&]() {
        QString error;
        if (!pty.start(&error)) {
            std::fprintf(stderr, "velmar-sim: %s\n", qPrintable(error));
            return false;
        }
        pty.setPaced(p.isSet(pace));
        if (p.isSet(link) && !pty.placeLink(p.value(link)))
            std::fprintf(stderr, "velmar-sim: cannot place link %s\n", qPrintable(p.value(link)));
        std::printf("%s\n", qPrintable(pty.slavePath()));
        std::fflush(stdout);
        return true;
    };
    // The signals are taken before the first path is printed: whoever reads that line may
    // pull the cable at once, and an unhandled SIGUSR1 would end the program instead.
    if (::pipe(signalPipe) != 0)
        return 1;
    QSocketNotifier signals(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signals, &QSocketNotifier::activated, [&] {
        char c = 0;
        if (::read(signalPipe[0], &c, 1) != 1)
            return;
        if (c == SIGUSR1) {
            pty.unplug();
            std::printf("unplugged\n");
            std::fflush(stdout);
        } else if (c == SIGUSR2) {
            if (!pty.running())
                plugIn();
        } else {
            app.quit();
        }
    });
    std::signal(SIGUSR1, onSignal);
    std::signal(SIGUSR2, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    if (!plugIn())
        return 1;
    if (const int s = p.value(flood).toInt(); s > 0)
        board.flood(s * 1000);
    return app.exec();
}
