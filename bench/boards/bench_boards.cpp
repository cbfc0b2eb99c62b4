// A bench of many boards: N velmar-sim --pace boards, each flashed by a velmar-cli of its own,
// all at once, for N = 1, 2, 4, 8. Each line runs at 57600 baud, so a flash is bound by its
// line and N flashes should take as long as one, given a core for each. Prints the wall time
// against the single flash and against the line limit of the job, and the CPU per board of
// velmar-cli and of velmar-sim.
//
//   bench_boards [--bytes N] [--boards 1,2,4,8]
//
// The image is 16384 bytes by default (a full 126976-byte flash takes 46 s a round).
#include "SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr double LineBytesPerSecond = 5760; // 57600 baud, 8N1
constexpr int BlockSize = 256;

QByteArray hexFile(int bytes)
{
    QByteArray text;
    for (int at = 0; at < bytes; at += 16) {
        QByteArray record;
        const int n = std::min(16, bytes - at);
        record.append(char(n)).append(char(at >> 8)).append(char(at & 0xFF)).append(char(0));
        for (int i = 0; i < n; ++i)
            record.append(char(((at + i) * 13 + (at + i) / 256) % 251));
        std::uint8_t sum = 0;
        for (char c : record)
            sum = std::uint8_t(sum + std::uint8_t(c));
        record.append(char(std::uint8_t(0x100 - sum)));
        text += ':' + record.toHex().toUpper() + "\r\n";
    }
    return text + ":00000001FF\r\n";
}

// The job on the wire, one exchange after the other: the sign-on's three sync cycles and its
// pause (4 x 250 ms), then per block a write (4 + 256 bytes out, a CR back) and a read (4 out,
// 256 back). The queries, the addresses and the start of the firmware add some 40 bytes.
double lineLimit(int bytes)
{
    const int blocks = (bytes + BlockSize - 1) / BlockSize;
    return 1.0 + (blocks * (4 + BlockSize + 1 + 4 + BlockSize) + 40) / LineBytesPerSecond;
}

double childCpu()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Round {
    double wall = -1; // seconds; -1 when a flash failed
    double cliCpu = 0, simCpu = 0;
};

Round flashAtOnce(int boards, const QString& file)
{
    Round r;
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < boards; ++i) {
        sims.push_back(std::make_unique<SimProcess>(QStringLiteral(VELMAR_SIM_PROGRAM)));
        if (!sims.back()->start({"--pace", "--block-size", QString::number(BlockSize)}))
            return r;
    }
    const double cpu0 = childCpu();
    std::vector<std::unique_ptr<QProcess>> clis;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < boards; ++i) {
        clis.push_back(std::make_unique<QProcess>());
        clis.back()->start(QStringLiteral(VELMAR_CLI_PROGRAM),
                           {"--json", "--port", sims[i]->devicePath(), "flash", file});
    }
    bool ok = true;
    for (auto& cli : clis) {
        ok = cli->waitForFinished(600000) && cli->exitCode() == 0 && ok;
        const QByteArray line = cli->readAllStandardOutput();
        if (!line.contains("\"seconds\""))
            ok = false;
    }
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const double cpu1 = childCpu();
    sims.clear(); // ends and reaps them
    r.cliCpu = (cpu1 - cpu0) / boards;
    r.simCpu = (childCpu() - cpu1) / boards;
    r.wall = ok ? wall : -1;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int bytes = 16384;
    QList<int> counts{1, 2, 4, 8};
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--bytes")
            bytes = args[i + 1].toInt();
        else if (args[i] == "--boards") {
            counts.clear();
            for (const QString& n : args[i + 1].split(','))
                counts.append(n.toInt());
        }
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("fw.hex");
    QFile hex(file);
    if (bytes <= 0 || !hex.open(QIODevice::WriteOnly) || hex.write(hexFile(bytes)) < 0)
        return 2;
    hex.close();

    const double limit = lineLimit(bytes);
    std::printf("flash and verify of %d bytes in blocks of %d at 57600 baud; line limit of the job %.2f s\n", bytes,
                BlockSize, limit);
    std::printf("boards  wall      vs single  vs line  CPU/board cli  CPU/board sim\n");
    double single = -1;
    for (int n : counts) {
        const Round r = flashAtOnce(n, file);
        if (r.wall < 0) {
            std::printf("%6d  a flash FAILED\n", n);
            return 1;
        }
        if (single < 0)
            single = r.wall;
        std::printf("%6d  %6.2f s  %7.3f x  %5.3f x  %9.3f s    %9.3f s\n", n, r.wall, r.wall / single, r.wall / limit,
                    r.cliCpu, r.simCpu);
        std::fflush(stdout);
    }
    return 0;
}
