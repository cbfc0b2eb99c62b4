// Flash and verify of a 126976-byte image against velmar-sim on a pseudo-terminal, through the
// real port code: unpaced (the tool's own cost) and paced at 57600 baud (against the line's
// limit of 2 x bytes / 5760 s). Also the time to read a 128 KiB Intel HEX file.
#include "BenchRig.h"
#include "Bootloader.h"
#include "IntelHexReader.h"
#include "Link.h"
#include "LogSink.h"
#include "TCustomComPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::uint32_t ImageBytes = 126976; // the firmware area of a 128k board with 2k AWL
constexpr double LineBytesPerSecond = 5760.0;

std::vector<std::uint8_t> image()
{
    std::vector<std::uint8_t> v(ImageBytes);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = std::uint8_t((i * 13 + i / 256) % 251);
    return v;
}

QByteArray record(int type, std::uint16_t address, const std::uint8_t* data, int n)
{
    QByteArray bytes;
    bytes.append(char(n)).append(char(address >> 8)).append(char(address)).append(char(type));
    bytes.append(reinterpret_cast<const char*>(data), n);
    std::uint8_t sum = 0;
    for (char c : bytes)
        sum = std::uint8_t(sum + std::uint8_t(c));
    bytes.append(char(std::uint8_t(0x100 - sum)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

QByteArray hexFile(const std::vector<std::uint8_t>& data)
{
    QByteArray text;
    for (std::size_t at = 0; at < data.size(); at += 16) {
        if (at % 0x10000 == 0) {
            const std::uint8_t segment[2] = {std::uint8_t((at >> 4) >> 8), std::uint8_t((at >> 4) & 0xFF)};
            text += record(2, 0, segment, 2);
        }
        text +=
            record(0, std::uint16_t(at & 0xFFFF), data.data() + at, int(std::min<std::size_t>(16, data.size() - at)));
    }
    return text + ":00000001FF\r\n";
}

void download(const char* title, const QStringList& args)
{
    PtyBoard board(args + QStringList{"--flash-end", "1F000", "--block-size", "256"});
    if (!board.ok)
        return;
    Link& link = board.link;
    Bootloader boot(link, board.log);
    boot.FlashImage = image();
    boot.FlashImage.resize(131071, 0xFF);
    boot.ImageSize = 131071;
    boot.ImageLength = ImageBytes;

    QElapsedTimer total;
    total.start();
    boot.PrepareQueries();
    const bool signedOn = boot.EnterBootloader();
    link.toTerminal();
    link.sleep(250);
    std::uint32_t areaEnd = 0;
    const bool queried = signedOn && boot.QueryLongWord("X", areaEnd, Link::TelegramTimeout) &&
                         boot.QueryWord("b", boot.BlockSize, Link::TelegramTimeout);
    const qint64 prologueMs = total.elapsed();
    if (!queried) {
        std::printf("%s: no bootloader\n", title);
        return;
    }
    QElapsedTimer passes;
    passes.start();
    const double cpu = CpuSeconds();
    const bool flashed = boot.SelectAddress(0) && boot.FlashPass(0, ImageBytes, boot.BlockSize);
    const double flashS = double(passes.nsecsElapsed()) / 1e9;
    const bool verified = flashed && boot.SelectAddress(0) && boot.VerifyPass(0, ImageBytes, boot.BlockSize);
    const double bothS = double(passes.nsecsElapsed()) / 1e9;
    const double cpuS = CpuSeconds() - cpu;
    boot.SendBootCommand("E", Link::TelegramTimeout);
    link.toTerminal();
    const double limitS = 2.0 * ImageBytes / LineBytesPerSecond;
    std::printf("%s: %s, block %u\n", title, verified ? "written and verified" : "FAILED", unsigned(boot.BlockSize));
    std::printf("  sign-on and queries  %6.2f s\n", double(prologueMs) / 1000.0);
    // The line's limits: the image bytes alone, and the whole dialogue of a pass one block after
    // the other (block write: command, size, "F", block out and the CR back; block read: the
    // four command bytes out and the block back).
    const double blocks = std::ceil(double(ImageBytes) / boot.BlockSize);
    const double flashWireS = blocks * (4 + boot.BlockSize + 1) / LineBytesPerSecond;
    const double verifyWireS = blocks * (4 + boot.BlockSize) / LineBytesPerSecond;
    const double verifyS = bothS - flashS;
    std::printf("  flash pass           %6.2f s  (%.4f x the wire's %.2f s, %.4f x the image's %.2f s)\n", flashS,
                flashS / flashWireS, flashWireS, flashS / (limitS / 2), limitS / 2);
    std::printf("  verify pass          %6.2f s  (%.4f x the wire's %.2f s, %.4f x the image's %.2f s)\n", verifyS,
                verifyS / verifyWireS, verifyWireS, verifyS / (limitS / 2), limitS / 2);
    std::printf("  flash + verify       %6.2f s  (%.4f x the wire's %.2f s, %.4f x the image's %.2f s), CPU %.2f s\n",
                bothS, bothS / (flashWireS + verifyWireS), flashWireS + verifyWireS, bothS / limitS, limitS, cpuS);
    std::printf("  whole job            %6.2f s\n", double(total.nsecsElapsed()) / 1e9);
}

void readHex()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("fw128k.hex");
    std::vector<std::uint8_t> data = image();
    data.resize(131071 - 1, 0x5A); // 128 KiB less the one byte the image leaves out
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(hexFile(data));
    f.close();
    NullLog log;
    std::vector<std::uint8_t> flash;
    std::uint32_t length = 0;
    for (const bool pump : {true, false}) {
        IntelHexReader reader(log, pump ? IntelHexReader::Pump([] { QCoreApplication::processEvents(); })
                                        : IntelHexReader::Pump());
        constexpr int Runs = 10;
        QElapsedTimer t;
        t.start();
        bool ok = true;
        for (int i = 0; i < Runs; ++i)
            ok = reader.ReadIntelHex(path, flash, length, 131071) && ok;
        std::printf("read %lld-byte HEX file (%u data bytes)%s: %s, %.1f ms each\n",
                    static_cast<long long>(QFile(path).size()), length,
                    pump ? ", events after every line" : ", no event pump", ok ? "ok" : "FAILED",
                    double(t.nsecsElapsed()) / 1e6 / Runs);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    readHex();
    download("unpaced line", {});
    download("paced at 57600 baud", {QStringLiteral("--pace")});
    return 0;
}
