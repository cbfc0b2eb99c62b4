// The script monitor's auto send against velmar-sim on a pseudo-terminal, through the real
// port code and the real window (offscreen): rows per second next to the design's limit of one
// row per 100 ms tick, the largest gap between row starts, CPU per row, and a row's time next
// to the time its bytes take on the line (counted in the same run); 6-attempt rows against a
// board that refuses one telegram in ten; and what the window costs while it waits.
#include "AutoSender.h"
#include "BenchRig.h"
#include "PosixSerialBackend.h"
#include "ScriptInterpreter.h"
#include "SendListFile.h"
#include "SendListModel.h"
#include "TFormOneWire.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double TickMs = 100.0;
constexpr double LineBytesPerSecond = 5760.0; // 57600 baud, 10 bits a byte

// The real device, counting the bytes that cross it in both directions.
class CountingBackend : public PosixSerialBackend {
public:
    CountingBackend(const QString& path, qint64& bytes) : PosixSerialBackend(path), m_bytes(bytes) {}
    qint64 read(char* data, qint64 max) override { return counted(PosixSerialBackend::read(data, max)); }
    qint64 write(const char* data, qint64 count, int timeoutMs) override
    {
        return counted(PosixSerialBackend::write(data, count, timeoutMs));
    }

private:
    qint64 counted(qint64 n)
    {
        if (n > 0)
            m_bytes += n;
        return n;
    }
    qint64& m_bytes;
};

const char* const MixedRows[] = {"ACK",    "DIG",    "BVAR;13", "WVAR;1",     "GETU;2", "GETT;0", "ADRW;0;3",
                                 "EEPR;8", "RAMR;8", "ADRR",    "MSGW;1;2;3", "MSGR",   "RCAN;2", "WCAN;2;1;2;3",
                                 "TIME",   "ACK",    "DIG",     "BVAR;5",     "WVAR;0", "ROMR;8"};

struct Figures {
    int rows = 0;
    double seconds = 0;
    double maxGapMs = 0;
    double meanRowMs = 0;
    double cpuPerRowMs = 0;
    double lineRowMs = 0; // the line time of a row's bytes
    std::uint64_t telegrams = 0;
};

void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs `rows` by auto send for `seconds` and measures every row start and end.
Figures autoSend(const QStringList& simArgs, const QStringList& rows, double seconds, const QString& settings)
{
    Figures f;
    PtyBoard board(simArgs);
    if (!board.ok)
        return f;
    // The same device again, through a backend that counts its bytes.
    qint64 bytes = 0;
    const QString device = board.sim.devicePath();
    board.port.Close();
    TCustomComPort::RegisterBackend(device,
                                    [&](const QString&) { return std::make_unique<CountingBackend>(device, bytes); });
    board.port.Open();
    TFormOneWire form(board.link, settings);
    form.show();
    form.sendList().clear();
    for (const QString& r : rows)
        form.sendList().append(SendListFile::parseLine(r));
    form.model().refresh();

    QElapsedTimer clock;
    clock.start();
    std::vector<double> starts;
    double busyMs = 0;
    double rowStart = 0;
    form.autoSender().rowStarting = [&](int) {
        rowStart = double(clock.nsecsElapsed()) / 1e6;
        starts.push_back(rowStart);
    };
    form.autoSender().rowFinished = [&](int) { busyMs += double(clock.nsecsElapsed()) / 1e6 - rowStart; };
    const std::uint64_t telegramsBefore = form.interpreter().telegramsSent();
    runFor(0.3); // the window settles
    const double cpu0 = CpuSeconds();
    const qint64 bytes0 = bytes;
    form.btSenden->click();
    runFor(seconds);
    form.btSenden->click();
    const double cpu = CpuSeconds() - cpu0;
    const qint64 wire = bytes - bytes0;
    f.rows = int(starts.size());
    f.seconds = seconds;
    for (std::size_t i = 1; i < starts.size(); ++i)
        f.maxGapMs = std::max(f.maxGapMs, starts[i] - starts[i - 1]);
    f.meanRowMs = f.rows ? busyMs / f.rows : 0;
    f.cpuPerRowMs = f.rows ? 1000.0 * cpu / f.rows : 0;
    f.telegrams = form.interpreter().telegramsSent() - telegramsBefore;
    f.lineRowMs = f.rows ? 1000.0 * double(wire) / LineBytesPerSecond / f.rows : 0;
    board.port.Close();
    TCustomComPort::UnregisterBackend(device);
    return f;
}

void report(const char* title, const Figures& f)
{
    const double perSecond = f.rows / f.seconds;
    std::printf("%-34s %5d rows in %.0f s: %.2f rows/s = %.3f of the limit (10/s); largest gap %.1f ms; "
                "row %.2f ms (%.3f x the line's %.2f ms for its bytes); %.2f telegrams/row; CPU %.2f ms/row\n",
                title, f.rows, f.seconds, perSecond, perSecond / (1000.0 / TickMs), f.maxGapMs, f.meanRowMs,
                f.lineRowMs > 0 ? f.meanRowMs / f.lineRowMs : 0.0, f.lineRowMs,
                f.rows ? double(f.telegrams) / f.rows : 0.0, f.cpuPerRowMs);
}

// CPU of the window while auto send is stopped, and while a long delay is pending.
void idle(const QString& settings, double seconds)
{
    PtyBoard board({QStringLiteral("--pace")});
    if (!board.ok)
        return;
    TFormOneWire form(board.link, settings);
    form.show();
    form.sendList().clear();
    form.sendList().append(SendListFile::parseLine(QStringLiteral("ACK;;;;;;;;;10000")));
    form.model().refresh();
    runFor(0.3);
    double cpu0 = CpuSeconds();
    runFor(seconds);
    const double stopped = CpuSeconds() - cpu0;
    form.btSenden->click();
    runFor(0.3); // the row runs, then 1000 s of delay begin
    cpu0 = CpuSeconds();
    runFor(seconds);
    const double waiting = CpuSeconds() - cpu0;
    form.btSenden->click();
    std::printf("idle window, %.0f s each: stopped %.1f ms CPU (%.3f %%), waiting out a delay %.1f ms CPU (%.3f %%)\n",
                seconds, 1000 * stopped, 100 * stopped / seconds, 1000 * waiting, 100 * waiting / seconds);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Settings.ini"));

    QStringList mixed;
    for (const char* r : MixedRows)
        mixed << QString::fromLatin1(r);
    report("20 rows, delay 0, paced line", autoSend({QStringLiteral("--pace")}, mixed, seconds, settings));

    const QStringList getu(20, QStringLiteral("GETU;2"));
    const double half = std::max(5.0, seconds / 2);
    report("20 GETU rows, paced, no faults", autoSend({QStringLiteral("--pace")}, getu, half, settings));
    report("20 GETU rows, paced, 1 in 10 refused",
           autoSend({QStringLiteral("--pace"), QStringLiteral("--refuse-every"), QStringLiteral("10")}, getu, half,
                    settings));
    idle(settings, std::max(5.0, seconds / 6));
    return 0;
}
