// A long run against velmar-sim on a paced pseudo-terminal with faults injected at random:
// the debug window's poll cycle and an auto-send list share the line, as they do in the tool,
// for --minutes minutes (30 by default). It reports the telegrams run, the faults seen, the
// resident memory at the start and the end, the CPU per telegram and the longest gap between
// two poll cycles. Then a board floods the terminal with text for --flood-seconds (60 by
// default): the longest stall of the window, the terminal's line count against its cap, and
// the memory.
#include "AutoSender.h"
#include "BenchRig.h"
#include "DebugPoller.h"
#include "MeasurementLog.h"
#include "ResidentMemory.h"
#include "RichLog.h"
#include "ScriptInterpreter.h"
#include "ScriptState.h"
#include "SendList.h"
#include "SendListFile.h"
#include "VelmarError.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QTimer>
#include <cstdio>

namespace {

// The terminal of the link with the telegram echo on: every request and what came back for it,
// so that each telegram and each fault is counted where the tool sees it.
struct CountingTerminal : LogSink {
    std::uint64_t requests = 0, silent = 0, refused = 0, corrupt = 0;
    void addLine(const QString& text) override
    {
        if (text.startsWith(QLatin1Char(':')) && text.endsWith(QLatin1Char('\r')) && text.size() > 2 &&
            m_color == LogColors::Yellow) {
            ++requests;
        } else if (text.startsWith(QStringLiteral("timeout"))) {
            ++silent;
        } else if (text.contains(QStringLiteral(":aa0121a5"))) {
            ++refused;
        } else if (text.contains(QStringLiteral("zz"))) {
            ++corrupt;
        }
    }
    void append(const QString&) override {}
    void setColor(LogColor c) override { m_color = c; }
    void clear() override {}
    [[nodiscard]] std::uint64_t faults() const { return silent + refused + corrupt; }

private:
    LogColor m_color = LogColors::White;
};

struct NullMeasurements : MeasurementLog {
    [[nodiscard]] bool isOpen() const override { return true; }
    void endLine() override {}
    void write(const QString&) override {}
};

void soak(int minutes)
{
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    if (!sim.start({"--pace", "--random-faults", "1", "--seed", "11"})) {
        std::printf("velmar-sim did not start\n");
        return;
    }
    CountingTerminal terminal;
    TComPort port;
    Link link(port, terminal);
    link.ConnectDispatcher();
    port.SetPort(sim.devicePath());
    port.Open();
    link.SetTelegramEcho();

    // The debug window: digital I/O, five 1-bit and five 16-bit signals, every 100 ms.
    DebugPoller poller(link);
    poller.setActive(true);
    const DebugPoller::Texts bits{"1", "9", "17", "200", "255"}, words{"0", "1", "2", "100", "255"};
    std::uint64_t cycles = 0, pollErrors = 0;
    qint64 longestGap = 0;
    QElapsedTimer sinceCycle;
    bool inCycle = false;
    QTimer pollTimer;
    pollTimer.setInterval(100);
    QObject::connect(&pollTimer, &QTimer::timeout, [&] {
        if (inCycle || link.busy())
            return;
        if (sinceCycle.isValid())
            longestGap = std::max(longestGap, sinceCycle.elapsed());
        sinceCycle.start();
        inCycle = true;
        try {
            poller.PollDigitalIO();
            poller.PollBitSignals(bits, {}, {});
            poller.PollWordSignals(words, {}, {});
        } catch (const VelmarError&) {
            // The window would stop polling with the message; the soak counts it and goes on.
            ++pollErrors;
        }
        inCycle = false;
        ++cycles;
    });

    // The script monitor: a list that loops, its own 100 ms tick.
    SendList list;
    for (const char* row : {"DIG", "BVAR;1", "WVAR;2", "GETU;1", "ACK", "RAMR;4", "GOTO;0"})
        list.append(SendListFile::parseLine(QString::fromLatin1(row)));
    ScriptState state;
    NullLog scriptLog;
    NullMeasurements file;
    ScriptInterpreter interpreter(link, list, state, scriptLog, file);
    AutoSender sender(state, list, interpreter, link, scriptLog);
    std::uint64_t rows = 0;
    sender.rowFinished = [&](int) { ++rows; };
    QTimer sendTimer;
    sendTimer.setInterval(100);
    sendTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sendTimer, &QTimer::timeout, [&] { sender.timerStart(); });

    // The two ticks in their own phases, 60 ms apart: a poll cycle of eleven telegrams takes
    // about 55 ms, so that a tick of auto send that always fell into it would never start a row.
    pollTimer.setTimerType(Qt::PreciseTimer);
    pollTimer.start();
    QTimer::singleShot(60, Qt::PreciseTimer, &sendTimer, [&] { sendTimer.start(); });
    sender.start();

    // Memory after a short warm-up, when every path has run once.
    QElapsedTimer clock;
    clock.start();
    const auto runFor = [](qint64 ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    runFor(10000);
    const long long memoryAtStart = ResidentBytes();
    const double cpuAtStart = CpuSeconds();
    const std::uint64_t telegramsAtStart = terminal.requests;
    const qint64 total = qint64(minutes) * 60000;
    while (clock.elapsed() < total) {
        runFor(std::min<qint64>(60000, total - clock.elapsed()));
        std::fprintf(stderr, "  %3lld min: %llu telegrams, %llu faults, %.1f MB\n",
                     static_cast<long long>(clock.elapsed() / 60000),
                     static_cast<unsigned long long>(terminal.requests),
                     static_cast<unsigned long long>(terminal.faults()), double(ResidentBytes()) / 1e6);
    }
    pollTimer.stop();
    sendTimer.stop();
    sender.stop();
    const long long memoryAtEnd = ResidentBytes();
    const double cpu = CpuSeconds() - cpuAtStart;
    const std::uint64_t measured = terminal.requests - telegramsAtStart;

    std::printf("soak, %d min on a paced line, 1 %% faults at random:\n", minutes);
    std::printf("  telegrams run        %llu (%llu poll cycles, %llu script rows)\n",
                static_cast<unsigned long long>(terminal.requests), static_cast<unsigned long long>(cycles),
                static_cast<unsigned long long>(rows));
    std::printf("  faults seen          %llu (%llu silent, %llu refused, %llu not hex; %.2f %%), %llu ended a poll "
                "cycle\n",
                static_cast<unsigned long long>(terminal.faults()), static_cast<unsigned long long>(terminal.silent),
                static_cast<unsigned long long>(terminal.refused), static_cast<unsigned long long>(terminal.corrupt),
                terminal.requests ? 100.0 * double(terminal.faults()) / double(terminal.requests) : 0.0,
                static_cast<unsigned long long>(pollErrors));
    std::printf("  resident memory      %.2f MB after 10 s, %.2f MB at the end (%+.0f KB)\n",
                double(memoryAtStart) / 1e6, double(memoryAtEnd) / 1e6, double(memoryAtEnd - memoryAtStart) / 1024.0);
    std::printf("  CPU per telegram     %.3f ms\n", measured ? 1000.0 * cpu / double(measured) : 0.0);
    std::printf("  longest poll gap     %lld ms (a silent telegram waits 5000 ms)\n",
                static_cast<long long>(longestGap));
}

void flood(int seconds)
{
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    if (!sim.start({"--pace"})) {
        std::printf("velmar-sim did not start\n");
        return;
    }
    RichLog terminal;
    terminal.resize(700, 500);
    terminal.show();
    TComPort port;
    Link link(port, terminal);
    link.ConnectDispatcher();
    port.SetPort(sim.devicePath());
    port.Open();
    const long long memoryAtStart = ResidentBytes();
    const double cpuAtStart = CpuSeconds();
    qint64 longestStall = 0;
    int mostLines = 0;
    QElapsedTimer gap;
    gap.start();
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, gap.restart());
        mostLines = std::max(mostLines, terminal.document()->blockCount());
    });
    tick.start();
    QElapsedTimer clock;
    clock.start();
    port.WriteStr(QByteArray("flood ") + QByteArray::number(seconds) + '\r');
    QEventLoop loop;
    QTimer done;
    done.setInterval(50);
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (terminal.plainText().endsWith(QStringLiteral("flood end\n")) || clock.elapsed() > seconds * 1000 + 10000)
            loop.quit();
    });
    done.start();
    loop.exec();
    const double wall = clock.elapsed() / 1000.0;
    std::printf("flood, %d s of short lines at the line's rate into the terminal:\n", seconds);
    std::printf("  longest stall        %lld ms\n", static_cast<long long>(longestStall));
    std::printf("  terminal lines       at most %d (cap %d)\n", mostLines, terminal.lineCap());
    std::printf("  resident memory      %+.0f KB\n", double(ResidentBytes() - memoryAtStart) / 1024.0);
    std::printf("  CPU                  %.0f %% of the time\n", 100.0 * (CpuSeconds() - cpuAtStart) / wall);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Soak run of the poll cycle and auto send against velmar-sim."));
    p.addHelpOption();
    const QCommandLineOption minutes(QStringLiteral("minutes"), QStringLiteral("Length of the soak run."),
                                     QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption floodSeconds(QStringLiteral("flood-seconds"),
                                          QStringLiteral("Length of the flood (0: none)."), QStringLiteral("s"),
                                          QStringLiteral("60"));
    p.addOptions({minutes, floodSeconds});
    p.process(app);
    if (const int m = p.value(minutes).toInt(); m > 0)
        soak(m);
    if (const int s = p.value(floodSeconds).toInt(); s > 0)
        flood(s);
    return 0;
}
