// Telegram round trips per second against velmar-sim on a pseudo-terminal, and the CPU time
// that one 5000 ms time-out costs.
#include "BenchRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

// Each round trip puts 25 bytes on the wire: 14 + 11 for the address select, 12 + 13 for the
// EEPROM read (the answer lines end in CR LF).
constexpr int WireBytes = 25;
constexpr double LineBytesPerSecond = 5760.0;

void roundTrips(const char* title, const QStringList& args, int count)
{
    PtyBoard board(args);
    if (!board.ok)
        return;
    QElapsedTimer t;
    t.start();
    const double cpu = CpuSeconds();
    int ok = 0;
    for (int i = 0; i < count; ++i)
        ok += board.link.SendTelegram(i % 2 ? QStringLiteral(":aa023401a5\r") : QStringLiteral(":aa03320000a5\r")) != 0;
    const double s = double(t.nsecsElapsed()) / 1e9;
    const double limitMs = 1000.0 * WireBytes / LineBytesPerSecond;
    std::printf("%-34s %6d telegrams, %d answered, %8.1f round trips/s, %.3f ms each (%.3f x the line's %.3f ms), "
                "CPU %.2f s\n",
                title, count, ok, count / s, 1000.0 * s / count, 1000.0 * s / count / limitMs, limitMs,
                CpuSeconds() - cpu);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    roundTrips("unpaced line", {}, 2000);
    roundTrips("paced at 57600 baud", {QStringLiteral("--pace")}, 200);

    PtyBoard silent({QStringLiteral("--silent")});
    if (!silent.ok)
        return 1;
    QElapsedTimer t;
    t.start();
    const double cpu = CpuSeconds();
    const auto code = silent.link.SendTelegram(QStringLiteral(":aa0120a5\r"));
    std::printf("silent board: answer code %d after %lld ms, CPU %.4f s during the wait\n", code,
                static_cast<long long>(t.elapsed()), CpuSeconds() - cpu);
    return 0;
}
