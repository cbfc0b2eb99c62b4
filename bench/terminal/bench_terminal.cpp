// The main window's terminal under a flood of short text lines at the full 57600 baud (about
// 720 lines a second), on an X server of its own (Xvfb). velmar-sim floods; the bench hands
// what it sends on to a pseudo-terminal that the window under test opens, once as the board
// program hands it on (a byte at a time, when its last bit is through) and once in 1 ms chunks
// (as a USB adapter in low-latency mode does). For each it reports the CPU time of the window's
// process and of the X server over the flood's wall time, the window's longest stall (a 10 ms
// tick inside it) and the lines that reached it in order. 40 s of flood reach the terminal's
// line cap and the first batch of its oldest lines going. When cutecom is installed, it gets
// the same floods in the same run, one after the other with the window.
#include "RichLog.h"
#include "SimProcess.h"
#include "TComPort.h"
#include "TMainForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        runFor(20);
    }
    return true;
}

// CPU seconds a process has used (utime + stime of /proc/<pid>/stat).
double processCpu(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of the whole line; the list starts at field 3.
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

bool holdsFile(qint64 pid, const QString& path)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == path)
            return true;
    return false;
}

void makeRaw(int fd)
{
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&tio, B57600);
    tcsetattr(fd, TCSANOW, &tio);
}

// ---- the window under test, in a process of its own ----------------------------------------

// Counts the flood's lines as the terminal shows them ("F<n>", n counting up modulo 100000).
struct LineCheck {
    QString partial;
    long long lines = 0, outOfOrder = 0;
    int last = -1;
    bool ended = false;
    void take(const QString& text)
    {
        partial += text;
        qsizetype start = 0;
        for (qsizetype nl; (nl = partial.indexOf(QLatin1Char('\n'), start)) >= 0; start = nl + 1) {
            const QStringView line = QStringView(partial).mid(start, nl - start);
            if (line == QStringLiteral("flood end"))
                ended = true;
            if (!line.startsWith(QLatin1Char('F')))
                continue;
            const int n = line.mid(1).toInt();
            if (last >= 0 && n != (last + 1) % 100000)
                ++outOfOrder;
            last = n;
            ++lines;
        }
        partial.remove(0, start);
    }
};

int windowMain(const QString& device)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Settings.ini"));
    QFile ini(settings);
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[Hauptfenster]\nComPort=" + device.toUtf8() + "\n");
    ini.close();
    TMainForm form({settings, {}});
    form.show();
    QApplication::processEvents();
    if (!form.ComPort->Connected())
        return 1;
    LineCheck check;
    QObject::connect(form.RichEdit, &RichLog::shown, [&](const QString& text) { check.take(text); });
    qint64 longestStall = 0;
    long long stallAt = 0;
    bool flooding = false;
    QElapsedTimer gap;
    gap.start();
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 g = gap.restart();
        if (flooding && g > longestStall) {
            longestStall = g;
            stallAt = check.lines;
        }
        flooding = check.lines > 0 && !check.ended;
    });
    tick.start();
    std::printf("ready\n");
    std::fflush(stdout);
    QEventLoop loop;
    QTimer done;
    done.setInterval(100);
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (check.ended)
            loop.quit();
    });
    done.start();
    loop.exec();
    runFor(200); // the last lines drawn
    // What the terminal holds at the end: its newest lines, whole and in order.
    const QStringList held = form.RichEdit->plainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    long long heldInOrder = 0;
    for (qsizetype i = held.size() - 2; i > 0 && held[i].startsWith(QLatin1Char('F')); --i) {
        if (held[i - 1].startsWith(QLatin1Char('F')) &&
            held[i].mid(1).toInt() != (held[i - 1].mid(1).toInt() + 1) % 100000)
            break;
        ++heldInOrder;
    }
    std::printf("lines %lld, out of order %lld, longest stall %lld ms (at line %lld), held in order at the end %lld\n",
                check.lines, check.outOfOrder, static_cast<long long>(longestStall), stallAt, heldInOrder);
    std::fflush(stdout);
    return 0;
}

// ---- the bench -------------------------------------------------------------------------------

// An X server of its own on the first free display.
struct XServer {
    QProcess process;
    QString display;
    bool start()
    {
        for (int n = 90; n < 140; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            display = QStringLiteral(":%1").arg(n);
            process.setProgram(QStringLiteral("Xvfb"));
            process.setArguments({display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
            process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process.start();
            if (!process.waitForStarted(3000))
                return false;
            return waitFor([&] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); }, 5000);
        }
        return false;
    }
    ~XServer()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

// The board's side of the terminal under test: what velmar-sim sends is handed on, as it
// comes or gathered for 1 ms.
class Relay {
public:
    QString slavePath;
    bool chunked = false;
    bool sawEnd = false;

    Relay(int simFd) : m_sim(simFd)
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        grantpt(m_master);
        unlockpt(m_master);
        slavePath = QString::fromLocal8Bit(ptsname(m_master));
        // A handle of our own on the slave: no hang-up before the terminal opens it.
        m_keep = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        makeRaw(m_keep);
        m_fromSim = std::make_unique<QSocketNotifier>(m_sim, QSocketNotifier::Read);
        QObject::connect(m_fromSim.get(), &QSocketNotifier::activated, [this] { readSim(); });
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(1);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { write(); });
        m_tick.start();
        // What the terminal sends (nothing, or its own line ends) is read away.
        m_fromTerminal = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_fromTerminal.get(), &QSocketNotifier::activated, [this] {
            char buf[256];
            (void)!::read(m_master, buf, sizeof buf);
        });
    }
    ~Relay()
    {
        m_fromSim.reset();
        m_fromTerminal.reset();
        ::close(m_master);
        ::close(m_keep);
    }

private:
    void readSim()
    {
        char buf[4096];
        const ssize_t n = ::read(m_sim, buf, sizeof buf);
        if (n <= 0)
            return;
        m_out.append(buf, n);
        m_tail = (m_tail + QByteArray(buf, n)).right(16);
        sawEnd = sawEnd || m_tail.contains("flood end");
        if (!chunked)
            write();
    }
    void write()
    {
        while (!m_out.isEmpty()) {
            const ssize_t n = ::write(m_master, m_out.constData(), size_t(m_out.size()));
            if (n <= 0)
                return; // the terminal has not read yet
            m_out.remove(0, n);
        }
    }

    int m_sim;
    int m_master = -1, m_keep = -1;
    QByteArray m_out, m_tail;
    QTimer m_tick;
    std::unique_ptr<QSocketNotifier> m_fromSim, m_fromTerminal;
};

struct Result {
    bool ok = false;
    double cpu = 0, xCpu = 0, wall = 0;
    QString window; // the window's own line
};

// A terminal under test: started, on the slave of `relay`, until it holds the device.
struct Terminal {
    QProcess process;
    virtual ~Terminal()
    {
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    virtual bool start(const QString& display, const QString& device) = 0;
    // After the flood: whatever it reports of itself.
    virtual QString finish() { return {}; }
};

struct VelmarWindow : Terminal {
    bool start(const QString& display, const QString& device) override
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), {"--window", device});
        return waitFor([&] { return process.readAllStandardOutput().contains("ready"); }, 10000);
    }
    QString finish() override
    {
        waitFor([&] { return process.canReadLine() || process.state() != QProcess::Running; }, 10000);
        return QString::fromUtf8(process.readLine()).trimmed();
    }
};

struct Cutecom : Terminal {
    QTemporaryDir home;
    bool start(const QString& display, const QString& device) override
    {
        QDir(home.path()).mkpath(QStringLiteral(".config/CuteCom"));
        QFile conf(home.filePath(QStringLiteral(".config/CuteCom/CuteCom5.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        conf.write("[CuteCom]\nsession=bench\n\n[sessions]\n1\\BaudRate=57600\n1\\DataBits=8\n1\\Device=" +
                   device.toUtf8() +
                   "\n1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n1\\autoReconnect=false\n"
                   "1\\name=bench\n1\\showCtrlCharacters=false\n1\\showTimestamp=false\nsize=1\n");
        conf.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        // A pseudo-terminal has no modem lines; the shim answers for them as a UART would.
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(MODEM_LINES_SHIM));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("cutecom"), {"-s", "bench"});
        if (!process.waitForStarted(5000))
            return false;
        // "Open", clicked where it stands (no window manager: the window sits at 0,0).
        QProcessEnvironment xenv = QProcessEnvironment::systemEnvironment();
        xenv.insert(QStringLiteral("DISPLAY"), display);
        for (int attempt = 0; attempt < 10 && !holdsFile(process.processId(), device); ++attempt) {
            QProcess xdotool;
            xdotool.setProcessEnvironment(xenv);
            xdotool.start(QStringLiteral("xdotool"),
                          {"search", "--sync", "--name", "CuteCom - bench", "windowfocus", "--sync", "mousemove",
                           "--window", "%1", "50", "42", "click", "1"});
            xdotool.waitForFinished(10000);
            waitFor([&] { return holdsFile(process.processId(), device); }, 1500);
        }
        return holdsFile(process.processId(), device);
    }
};

Result measure(Terminal& terminal, bool chunked, int simFd, const XServer& x, int seconds)
{
    Result r;
    Relay relay(simFd);
    relay.chunked = chunked;
    if (!terminal.start(x.display, relay.slavePath)) {
        std::printf("  (did not start or open the device)\n");
        return r;
    }
    runFor(2000); // settled
    const qint64 pid = terminal.process.processId(), xPid = x.process.processId();
    const double cpu0 = processCpu(pid), x0 = processCpu(xPid);
    QElapsedTimer clock;
    clock.start();
    const QByteArray command = "flood " + QByteArray::number(seconds) + '\r';
    (void)!::write(simFd, command.constData(), size_t(command.size()));
    waitFor([&] { return relay.sawEnd; }, seconds * 1000 + 10000);
    runFor(200); // the end drawn
    r.wall = double(clock.nsecsElapsed()) / 1e9;
    r.cpu = processCpu(pid) - cpu0;
    r.xCpu = processCpu(xPid) - x0;
    r.window = terminal.finish();
    r.ok = relay.sawEnd;
    return r;
}

void print(const char* name, const Result& r)
{
    if (!r.ok) {
        std::printf("  %-22s no result\n", name);
        return;
    }
    std::printf("  %-22s CPU %5.1f %% (%.2f s in %.1f s), X server %5.1f %%%s%s\n", name, 100 * r.cpu / r.wall, r.cpu,
                r.wall, 100 * r.xCpu / r.wall, r.window.isEmpty() ? "" : "; ", qPrintable(r.window));
}

int benchMain(int seconds, bool withCutecom)
{
    XServer x;
    if (!x.start()) {
        std::printf("Xvfb did not start (apt-get install xvfb)\n");
        return 1;
    }
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    if (!sim.start({"--pace"})) {
        std::printf("velmar-sim did not start\n");
        return 1;
    }
    const int simFd = ::open(sim.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    makeRaw(simFd);
    const bool cutecom = withCutecom && !QStandardPaths::findExecutable(QStringLiteral("cutecom")).isEmpty() &&
                         !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    std::printf("terminal flood, %d s of short lines at 57600 baud (velmar-sim --pace), on Xvfb %s:\n", seconds,
                qPrintable(x.display));
    for (const bool chunked : {false, true}) {
        std::printf("%s\n", chunked ? "handed on in 1 ms chunks:" : "handed on as velmar-sim sends it:");
        std::fflush(stdout);
        VelmarWindow window;
        const Result mine = measure(window, chunked, simFd, x, seconds);
        print("velmar-ui terminal", mine);
        if (cutecom) {
            Cutecom peer;
            const Result theirs = measure(peer, chunked, simFd, x, seconds);
            print("cutecom", theirs);
            if (mine.ok && theirs.ok && theirs.cpu > 0)
                std::printf("  velmar-ui against cutecom: %.2f x (X server %.2f x)\n",
                            (mine.cpu / mine.wall) / (theirs.cpu / theirs.wall),
                            theirs.xCpu > 0 ? (mine.xCpu / mine.wall) / (theirs.xCpu / theirs.wall) : 0.0);
        }
        std::fflush(stdout);
    }
    if (withCutecom && !cutecom)
        std::printf("(cutecom or xdotool is not installed: the peer was not measured)\n");
    ::close(simFd);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool window = argc > 2 && QByteArray(argv[1]) == "--window";
    if (!window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (window)
        return windowMain(QString::fromLocal8Bit(argv[2]));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("The main window's terminal under a text flood, on Xvfb."));
    p.addHelpOption();
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Length of each flood."),
                                     QStringLiteral("s"), QStringLiteral("40"));
    const QCommandLineOption noPeer(QStringLiteral("no-cutecom"), QStringLiteral("Measure the window only."));
    p.addOptions({seconds, noPeer});
    p.process(app);
    return benchMain(std::max(p.value(seconds).toInt(), 1), !p.isSet(noPeer));
}
