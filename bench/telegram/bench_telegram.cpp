// Telegram round trips per second against velmar-sim on a pseudo-terminal, and the CPU time
// that one 5000 ms time-out costs.
#include "Link.h"
#include "LogSink.h"
#include "SimProcess.h"
#include "TCustomComPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

struct NullLog : LogSink {
    void addLine(const QString&) override {}
    void append(const QString&) override {}
    void setColor(LogColor) override {}
    void clear() override {}
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void roundTrips(const char* title, const QStringList& args, int count)
{
    SimProcess sim(QStringLiteral(VELMAR_SIM_PROGRAM));
    if (!sim.start(args)) {
        std::printf("%s: velmar-sim did not start\n", title);
        return;
    }
    NullLog log;
    TCustomComPort port;
    Link link(port, log);
    link.ConnectDispatcher();
    port.SetPort(sim.devicePath());
    port.Open();
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    int ok = 0;
    for (int i = 0; i < count; ++i)
        ok += link.SendTelegram(i % 2 ? QStringLiteral(":aa023401a5\r") : QStringLiteral(":aa03320000a5\r")) != 0;
    const double s = double(t.nsecsElapsed()) / 1e9;
    std::printf("%-34s %6d telegrams, %d answered, %8.1f round trips/s, %.3f ms each, CPU %.2f s\n", title, count, ok,
                count / s, 1000.0 * s / count, cpuSeconds() - cpu);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    roundTrips("unpaced line", {}, 2000);
    roundTrips("paced at 57600 baud", {QStringLiteral("--pace")}, 200);

    SimProcess sim(QStringLiteral(VELMAR_SIM_PROGRAM));
    if (!sim.start({QStringLiteral("--silent")}))
        return 1;
    NullLog log;
    TCustomComPort port;
    Link link(port, log);
    link.ConnectDispatcher();
    port.SetPort(sim.devicePath());
    port.Open();
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    const auto code = link.SendTelegram(QStringLiteral(":aa0120a5\r"));
    std::printf("silent board: answer code %d after %lld ms, CPU %.4f s during the wait\n", code,
                static_cast<long long>(t.elapsed()), cpuSeconds() - cpu);
    return 0;
}
