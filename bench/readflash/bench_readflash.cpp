// Reading the firmware area of a 128k board (126976 bytes, 496 blocks of 256) into an Intel HEX
// file, as "read firmware into file…" and velmar-cli read-flash do it, against velmar-sim on a
// pseudo-terminal through the real port code: unpaced (the tool's own cost) and paced at 57600
// baud, against the wire time of the block reads one after the other (four bytes out, the block
// back).
#include "BenchRig.h"
#include "Bootloader.h"
#include "DownloadRunner.h"
#include "TransferObserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

constexpr double LineBytesPerSecond = 5760.0;

// The time from the start of the read pass to its last block.
struct PassClock : TransferObserver {
    QElapsedTimer clock;
    double seconds = 0;
    int blocks = 0;
    void passStarted(TransferProgress::Pass, std::uint32_t, std::uint32_t, std::uint16_t) override { clock.start(); }
    void blockDone() override
    {
        ++blocks;
        seconds = double(clock.nsecsElapsed()) / 1e9;
    }
};

void readFlash(const char* title, const QStringList& args)
{
    PtyBoard board(args + QStringList{"--flash-end", "1F000", "--block-size", "256"});
    if (!board.ok)
        return;
    QTemporaryDir dir;
    const QString file = dir.filePath("fw.hex");
    DownloadRunner runner(board.link, board.log);
    Bootloader& boot = runner.bootloader();
    PassClock pass;
    boot.setObserver(&pass);

    QElapsedTimer total;
    total.start();
    const double cpu = CpuSeconds();
    // With the erased lines, so that the file is as large as the area can make it.
    const bool ok = runner.readFirmware(file, true);
    const double totalS = double(total.nsecsElapsed()) / 1e9;
    const double cpuS = CpuSeconds() - cpu;
    if (!ok || boot.BlockSize == 0) {
        std::printf("%s: FAILED\n", title);
        return;
    }
    const std::uint32_t area = boot.FirmwareAreaEnd;
    const double blocks = std::ceil(double(area) / boot.BlockSize);
    const double wireS = blocks * (4 + boot.BlockSize) / LineBytesPerSecond;
    std::printf("%s: %u bytes in %d blocks of %u into a %lld-byte file\n", title, unsigned(area), pass.blocks,
                unsigned(boot.BlockSize), static_cast<long long>(QFile(file).size()));
    std::printf("  read pass            %6.2f s  (%.4f x the wire's %.2f s)\n", pass.seconds, pass.seconds / wireS,
                wireS);
    std::printf("  whole job            %6.2f s  (sign-on, queries, read, file, exit), CPU %.2f s\n", totalS, cpuS);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    readFlash("unpaced line", {});
    readFlash("paced at 57600 baud", {QStringLiteral("--pace")});
    return 0;
}
