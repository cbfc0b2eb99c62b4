// Boards behind ser2net against the same boards on their pseudo-terminals, all against
// `velmar-sim --pace` (57600 baud) and through the real port code, in one run:
//
//   telegram   a round trip (address select and EEPROM read, alternating)
//   debug      the debug window's cycle (digital I/O, five 1-bit and five 16-bit signals)
//   flash      flash + verify of an image in blocks of 256 (the two passes, not the sign-on)
//   boards     N boards behind one ser2net, each flashed by a velmar-cli of its own, all at
//              once, against one board behind the same ser2net
//
// Each of the first three runs on the direct pseudo-terminal and behind ser2net as RFC 2217
// and as raw TCP, each with "chardelay: false" and with ser2net's default; the ratio is to
// the direct job of the same run. Targets (with chardelay: false): a telegram <= 1.10 x,
// flash + verify <= 1.02 x; N boards at once <= 1.05 x one.
//
//   bench_network [--bytes N] [--telegrams N] [--cycles N] [--boards N] [--board-bytes N]
//                 [--only telegram,debug,flash,boards]
//
// Defaults: 126976 bytes, 200 telegrams, 50 cycles, 8 boards of 16384 bytes.
#include "BenchRig.h"
#include "Bootloader.h"
#include "DebugPoller.h"
#include "IntelHexWriter.h"
#include "Ser2net.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr double LineBytesPerSecond = 5760.0;

struct Route {
    const char* title;
    bool network = false;
    bool rfc2217 = true;
    bool charDelay = false;
    [[nodiscard]] bool checked() const { return !network || !charDelay; }
};

const Route Routes[]{
    {"direct pseudo-terminal"},
    {"rfc2217, chardelay: false", true, true, false},
    {"raw tcp, chardelay: false", true, false, false},
    {"rfc2217, ser2net's default", true, true, true},
    {"raw tcp, ser2net's default", true, false, true},
};

// velmar-sim --pace on a pseudo-terminal, reached directly or through a ser2net of its own.
struct RoutedBoard {
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    std::unique_ptr<Ser2net> server;
    NullLog log;
    TComPort port;
    Link link{port, log};
    bool ok = false;

    RoutedBoard(const Route& route, const QStringList& simArguments)
    {
        if (!sim.start(QStringList{"--pace"} + simArguments)) {
            std::printf("velmar-sim did not start\n");
            return;
        }
        QString name = sim.devicePath();
        if (route.network) {
            server =
                std::make_unique<Ser2net>(QList<Ser2net::Port>{{sim.devicePath(), route.rfc2217, route.charDelay, 0}});
            if (!server->start()) {
                std::printf("ser2net did not start\n");
                return;
            }
            name = server->name();
        }
        link.ConnectDispatcher();
        port.SetPort(name);
        port.Open();
        ok = true;
    }
};

// Runs `job` once per route and prints its time with the ratio to the direct one.
void compare(const char* what, double lineLimit, double target, const std::function<double(RoutedBoard&)>& job,
             const QStringList& simArguments = {})
{
    std::printf("%s (the line's limit %.3f; target %.2f x the direct job with chardelay: false)\n", what, lineLimit,
                target);
    double direct = 0;
    for (const Route& route : Routes) {
        RoutedBoard board(route, simArguments);
        const double t = board.ok ? job(board) : -1;
        if (t < 0) {
            std::printf("  %-28s FAILED\n", route.title);
            continue;
        }
        if (!route.network)
            direct = t;
        const double ratio = t / direct;
        std::printf("  %-28s %10.4f  %6.3f x the line  %6.3f x direct%s\n", route.title, t, t / lineLimit, ratio,
                    route.network && route.checked() ? (ratio <= target ? "  target met" : "  TARGET MISSED") : "");
        std::fflush(stdout);
    }
}

double telegramMs(RoutedBoard& board, int count)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i)
        if (board.link.SendTelegram(i % 2 ? QStringLiteral(":aa023401a5\r") : QStringLiteral(":aa03320000a5\r")) == 0)
            return -1;
    return double(t.nsecsElapsed()) / 1e6 / count;
}

double cycleMs(RoutedBoard& board, int count)
{
    DebugPoller poller(board.link);
    poller.setActive(true);
    const DebugPoller::Texts bits{"0", "8", "9", "13", "255"}, words{"0", "1", "2", "10", "255"};
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < count; ++i) {
        t.start();
        if (!poller.PollDigitalIO())
            return -1;
        poller.PollBitSignals(bits, [](int, LampColor) {}, {});
        poller.PollWordSignals(words, [](int, std::uint16_t) {}, {});
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The two passes of a flash of `bytes` (as bench_download does them), in seconds.
double flashSeconds(RoutedBoard& board, std::uint32_t bytes)
{
    Bootloader boot(board.link, board.log);
    boot.FlashImage.assign(131071, 0xFF);
    for (std::uint32_t i = 0; i < bytes; ++i)
        boot.FlashImage[i] = std::uint8_t((i * 13 + i / 256) % 251);
    boot.ImageSize = 131071;
    boot.ImageLength = bytes;
    boot.PrepareQueries();
    std::uint32_t areaEnd = 0;
    const bool signedOn = boot.EnterBootloader();
    board.link.toTerminal();
    board.link.sleep(250);
    if (!signedOn || !boot.QueryLongWord("X", areaEnd, Link::TelegramTimeout) ||
        !boot.QueryWord("b", boot.BlockSize, Link::TelegramTimeout))
        return -1;
    QElapsedTimer t;
    t.start();
    const bool ok = boot.SelectAddress(0) && boot.FlashPass(0, bytes, boot.BlockSize) && boot.SelectAddress(0) &&
                    boot.VerifyPass(0, bytes, boot.BlockSize);
    const double s = double(t.nsecsElapsed()) / 1e9;
    boot.SendBootCommand("E", Link::TelegramTimeout);
    return ok ? s : -1;
}

QByteArray hexFile(int bytes)
{
    std::vector<std::uint8_t> image(static_cast<std::size_t>(bytes));
    for (int i = 0; i < bytes; ++i)
        image[std::size_t(i)] = std::uint8_t((i * 13 + i / 256) % 251);
    return IntelHexWriter::text(image, true);
}

// `count` boards behind one ser2net (RFC 2217, chardelay: false), flashed at once by a
// velmar-cli each; the wall time, -1 when one failed.
double flashBehindOneServer(int count, const QString& file)
{
    std::vector<std::unique_ptr<SimProcess>> sims;
    QList<Ser2net::Port> ports;
    for (int i = 0; i < count; ++i) {
        sims.push_back(std::make_unique<SimProcess>(QStringLiteral(VELMAR_SIM_PROGRAM)));
        if (!sims.back()->start({"--pace", "--block-size", "256"}))
            return -1;
        ports.append({sims.back()->devicePath(), true, false, 0});
    }
    Ser2net server(ports);
    if (!server.start())
        return -1;
    std::vector<std::unique_ptr<QProcess>> clis;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        clis.push_back(std::make_unique<QProcess>());
        clis.back()->start(QStringLiteral(VELMAR_CLI_PROGRAM), {"--quiet", "--port", server.name(i), "flash", file});
    }
    bool ok = true;
    for (auto& cli : clis)
        ok = cli->waitForFinished(900000) && cli->exitCode() == 0 && ok;
    return ok ? double(clock.nsecsElapsed()) / 1e9 : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int bytes = 126976, telegrams = 200, cycles = 50, boards = 8, boardBytes = 16384;
    QStringList only{"telegram", "debug", "flash", "boards"};
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& v = args[i + 1];
        if (args[i] == "--bytes")
            bytes = v.toInt();
        else if (args[i] == "--telegrams")
            telegrams = v.toInt();
        else if (args[i] == "--cycles")
            cycles = v.toInt();
        else if (args[i] == "--boards")
            boards = v.toInt();
        else if (args[i] == "--board-bytes")
            boardBytes = v.toInt();
        else if (args[i] == "--only")
            only = v.split(',');
    }
    if (Ser2net::program().isEmpty() || bytes <= 0 || bytes > 126976 || telegrams <= 0 || cycles <= 0 || boards <= 0 ||
        boardBytes <= 0) {
        std::printf("%s\n", Ser2net::program().isEmpty() ? Ser2net::Missing : "a count is out of range");
        return 2;
    }
    if (only.contains("telegram"))
        compare("telegram round trip, ms", 1000.0 * 25 / LineBytesPerSecond, 1.10,
                [&](RoutedBoard& b) { return telegramMs(b, telegrams); });
    if (only.contains("debug"))
        compare("debug window cycle (median), ms", 1000.0 * 307 / LineBytesPerSecond, 1.10,
                [&](RoutedBoard& b) { return cycleMs(b, cycles); });
    if (only.contains("flash")) {
        const double blocks = std::ceil(bytes / 256.0);
        compare(qPrintable(QString("flash + verify of %1 bytes, s").arg(bytes)),
                blocks * (4 + 256 + 1 + 4 + 256) / LineBytesPerSecond, 1.02,
                [&](RoutedBoard& b) { return flashSeconds(b, std::uint32_t(bytes)); },
                {"--flash-end", "1F000", "--block-size", "256"});
    }
    if (only.contains("boards")) {
        QTemporaryDir dir;
        const QString file = dir.filePath("fw.hex");
        QFile hex(file);
        if (!hex.open(QIODevice::WriteOnly) || hex.write(hexFile(boardBytes)) < 0)
            return 2;
        hex.close();
        std::printf("%d boards behind one ser2net (rfc2217, chardelay: false), velmar-cli flash of %d bytes each, "
                    "at once against one (target <= 1.05 x)\n",
                    boards, boardBytes);
        const double one = flashBehindOneServer(1, file);
        const double all = one < 0 ? -1 : flashBehindOneServer(boards, file);
        if (all < 0)
            std::printf("  a flash FAILED\n");
        else
            std::printf("  one %.2f s, %d at once %.2f s: %.3f x%s\n", one, boards, all, all / one,
                        all / one <= 1.05 ? "  target met" : "  TARGET MISSED");
    }
    return 0;
}
