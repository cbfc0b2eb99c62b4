// What the port says when it cannot be used, what the port list says each device is, and the
// driver's low latency: asked for on open, given back on close, left alone on a pty.
#include "EComPort.h"
#include "LowLatency.h"
#include "PortDiagnosis.h"
#include "PortNames.h"
#include "PosixSerialBackend.h"
#include "PtyPair.h"
#include "StubPortBackend.h"
#include "TCustomComPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <linux/serial.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace {

// A file system of its own: a sysfs with two USB adapters and a built-in port, /dev, /proc
// and the lock directory.
class FakeRoot {
public:
    FakeRoot() : dir(tmp.path()) {}

    QString path(const QString& p) const { return tmp.path() + p; }
    void write(const QString& p, const QByteArray& data)
    {
        dir.mkpath(QFileInfo(path(p)).absolutePath());
        QFile f(path(p));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    void link(const QString& target, const QString& p)
    {
        dir.mkpath(QFileInfo(path(p)).absolutePath());
        ASSERT_TRUE(QFile::link(target, path(p))) << p.toStdString();
    }
    // A USB device at `usb` with the strings given (empty ones left out), and the tty `name`
    // below it, reached from /sys/class/tty as the kernel does.
    void usbTty(const QString& usb, const QString& name, bool viaSerialDriver, const QByteArray& product,
                const QByteArray& manufacturer, const QByteArray& serial)
    {
        const QString dev = "/sys/devices/pci0000:00/usb1/" + usb;
        write(dev + "/idVendor", "0403\n");
        write(dev + "/idProduct", "6001\n");
        if (!product.isEmpty())
            write(dev + "/product", product + "\n");
        if (!manufacturer.isEmpty())
            write(dev + "/manufacturer", manufacturer + "\n");
        if (!serial.isEmpty())
            write(dev + "/serial", serial + "\n");
        const QString iface = dev + "/" + usb + ":1.0";
        write(iface + "/bInterfaceNumber", "00\n");
        const QString port = viaSerialDriver ? iface + "/" + name : iface;
        const QString tty = port + "/tty/" + name;
        dir.mkpath(path(tty));
        link(path(port), tty + "/device");
        link(path(tty), "/sys/class/tty/" + name);
        write("/dev/" + name, "");
    }

    QTemporaryDir tmp;
    QDir dir;
};

} // namespace

TEST(PortList, SaysWhatEachDeviceIsFromSysfs)
{
    FakeRoot root;
    root.usbTty("1-1", "ttyUSB0", true, "FT232R USB UART", "FTDI", "A10K2F3Q");
    root.usbTty("1-2", "ttyACM0", false, "", "Velmar GmbH", "");
    root.usbTty("1-3", "ttyUSB1", true, "", "", "");
    // A built-in port has a device, but no USB device above it.
    root.dir.mkpath(root.path("/sys/devices/platform/serial8250/tty/ttyS0"));
    root.link(root.path("/sys/devices/platform/serial8250"), "/sys/devices/platform/serial8250/tty/ttyS0/device");
    root.link(root.path("/sys/devices/platform/serial8250/tty/ttyS0"), "/sys/class/tty/ttyS0");
    root.link("../../ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2F3Q-if00-port0");

    const QString sys = root.path("/sys/class/tty");
    EXPECT_EQ(PortNames::describe("ttyUSB0", sys), "FT232R USB UART (A10K2F3Q)");
    EXPECT_EQ(PortNames::describe("ttyACM0", sys), "Velmar GmbH"); // the vendor where no product is named
    EXPECT_EQ(PortNames::describe("ttyUSB1", sys), "USB 0403:6001");
    EXPECT_EQ(PortNames::describe("ttyS0", sys), "");
    EXPECT_EQ(PortNames::describe("ttyUSB9", sys), "");
    EXPECT_EQ(PortNames::describePort("SIM", sys), "simulated board");

    const QString byId = root.path("/dev/serial/by-id");
    const QStringList available = PortNames::available(sys, byId);
    EXPECT_TRUE(available.contains("ttyS0"));
    EXPECT_TRUE(available.contains("ttyACM0"));
    // A by-id name is described by the device it leads to.
    EXPECT_EQ(PortNames::describePort(byId + "/usb-FTDI_FT232R_USB_UART_A10K2F3Q-if00-port0", sys),
              "FT232R USB UART (A10K2F3Q)");
}

TEST(PortDiagnosis, NamesTheProgramThatHoldsThePort)
{
    FakeRoot root;
    root.write("/dev/ttyUSB0", "");
    root.write("/proc/4242/comm", "minicom\n");
    root.write("/proc/777/comm", "picocom\n");
    root.write("/proc/31337/comm", "screen\n");
    const PortDiagnosis diagnosis(root.path("/"));
    EXPECT_EQ(diagnosis.holder("/dev/ttyUSB0"), "");

    // The open files of a process.
    root.link("/dev/ttyUSB0", "/proc/31337/fd/3");
    EXPECT_EQ(diagnosis.holder("/dev/ttyUSB0"), "PID 31337 (screen)");

    // The flock table, which names the file by its file system and inode.
    struct stat st {};
    ASSERT_EQ(::stat(root.path("/dev/ttyUSB0").toLocal8Bit().constData(), &st), 0);
    root.write("/proc/locks", QString("1: FLOCK  ADVISORY  WRITE 999 00:00:1 0 EOF\n"
                                      "2: FLOCK  ADVISORY  WRITE 777 %1:%2:%3 0 EOF\n")
                                  .arg(major(st.st_dev), 2, 16, QChar('0'))
                                  .arg(minor(st.st_dev), 2, 16, QChar('0'))
                                  .arg(st.st_ino)
                                  .toLatin1());
    EXPECT_EQ(diagnosis.holder("/dev/ttyUSB0"), "PID 777 (picocom)");

    // A lock file comes first: ten ASCII digits, or the binary int of the oldest programs.
    root.write("/var/lock/LCK..ttyUSB0", "      4242\n");
    EXPECT_EQ(diagnosis.holder("/dev/ttyUSB0"), "PID 4242 (minicom)");
    const qint32 binary = 4242;
    root.write("/var/lock/LCK..ttyUSB0", QByteArray(reinterpret_cast<const char*>(&binary), 4));
    EXPECT_EQ(diagnosis.holder("/dev/ttyUSB0"), "PID 4242 (minicom)");
    // A by-id name is looked up as its device.
    root.link("../../ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00-port0");
    EXPECT_EQ(diagnosis.holder("/dev/serial/by-id/usb-FTDI-if00-port0"), "PID 4242 (minicom)");

    const auto t = diagnosis.explain(CE_OpenFailed, EWOULDBLOCK, "/dev/ttyUSB0");
    EXPECT_EQ(t.reason, QString::fromLocal8Bit(std::strerror(EWOULDBLOCK)));
    EXPECT_EQ(t.hint, "Another program has the port open: PID 4242 (minicom). Close it there, or choose another port.");
    EXPECT_EQ(PortDiagnosis(root.path("/none")).explain(CE_OpenFailed, EBUSY, "/dev/ttyUSB0").hint,
              "Another program has the port open. Close it there, or choose another port.");
}

TEST(PortDiagnosis, HintsForAMissingDeviceAndAMissingPermission)
{
    FakeRoot root;
    root.usbTty("1-1", "ttyUSB0", true, "FT232R USB UART", "FTDI", "A10K2F3Q");
    const PortDiagnosis diagnosis(root.path("/"));

    const auto missing = diagnosis.explain(CE_OpenFailed, ENOENT, "/dev/ttyUSB9");
    EXPECT_EQ(missing.reason, QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_EQ(missing.hint, "/dev/ttyUSB9 is not connected. Connected now: /dev/ttyUSB0 (FT232R USB UART (A10K2F3Q))."
                            " The port list shows every serial port.");
    EXPECT_TRUE(PortDiagnosis(root.path("/none"))
                    .explain(CE_OpenFailed, ENOENT, "/dev/ttyUSB9")
                    .hint.contains("No USB serial adapter is connected now."));

    const auto denied = diagnosis.lines(CE_OpenFailed, EACCES, "/dev/ttyUSB0");
    EXPECT_TRUE(denied.startsWith(QString::fromLocal8Bit(std::strerror(EACCES)) + "\n")) << denied.toStdString();
    EXPECT_TRUE(denied.contains("\"dialout\"")) << denied.toStdString();
    EXPECT_TRUE(denied.contains("sudo usermod -aG dialout $USER"));
    EXPECT_TRUE(denied.contains("next login"));

    // After an unplug, reads and writes say that the device went.
    for (int code : {int(CE_ReadFailed), int(CE_WriteFailed), int(CE_ClearComFailed)})
        for (int error : {EIO, ENXIO, ENODEV})
            EXPECT_EQ(diagnosis.explain(code, error, "/dev/ttyUSB0").hint,
                      "The device was disconnected (unplugged or switched off).");
}

TEST(PortDiagnosis, TheOpenErrorKeepsItsTextAndGetsTheReasonBelow)
{
    int nextError = 0;
    TCustomComPort::RegisterBackend("FAILING", [&](const QString&) {
        auto b = std::make_unique<StubPortBackend>();
        b->openError = nextError;
        return b;
    });
    TCustomComPort port;
    port.SetPort("FAILING");
    for (int error : {EACCES, ENOENT, EWOULDBLOCK}) {
        nextError = error;
        try {
            port.Open();
            ADD_FAILURE() << "no error for " << error;
        } catch (const EComPortExt& e) {
            EXPECT_EQ(e.message(), "COM Port Error: Unable to open com port on FAILING");
            EXPECT_EQ(e.systemError(), error);
            const QStringList lines = e.fullText().split('\n');
            ASSERT_GE(lines.size(), 3);
            EXPECT_EQ(lines[0], e.message());
            EXPECT_EQ(lines[1], QString::fromLocal8Bit(std::strerror(error)));
            const QString hint = lines.mid(2).join('\n');
            if (error == EACCES)
                EXPECT_TRUE(hint.contains("usermod -aG")) << hint.toStdString();
            else if (error == ENOENT)
                EXPECT_TRUE(hint.contains("is not connected")) << hint.toStdString();
            else
                EXPECT_TRUE(hint.startsWith("Another program has the port open")) << hint.toStdString();
        }
        EXPECT_FALSE(port.Connected());
    }
    TCustomComPort::UnregisterBackend("FAILING");
}

TEST(PortDiagnosis, AReadOrWriteAfterAnUnplugSaysTheDeviceWasDisconnected)
{
    PtyPair pty;
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    QStringList lost;
    QObject::connect(&port, &TCustomComPort::LineLost, [&](const QString& reason) { lost << reason; });
    pty.unplug();
    try {
        port.WriteStr("x");
        ADD_FAILURE() << "no error";
    } catch (const EComPortExt& e) {
        EXPECT_EQ(e.message(), "COM Port Error: WriteFile function failed on " + pty.slavePath);
        EXPECT_TRUE(e.details().endsWith("The device was disconnected (unplugged or switched off)."))
            << e.details().toStdString();
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(lost.size(), 1);
    // A later write meets the closed port: still the device that went, not a bad descriptor.
    try {
        port.WriteStr("x");
        ADD_FAILURE() << "no error";
    } catch (const EComPortExt& e) {
        EXPECT_TRUE(e.details().contains("disconnected")) << e.details().toStdString();
    }
    // Closed by hand, the port is just not open.
    port.Close();
    try {
        port.WriteStr("x");
        ADD_FAILURE() << "no error";
    } catch (const EComPortExt& e) {
        EXPECT_EQ(e.details(), "The port is not open.");
    }
}

namespace {

// A driver that keeps its flags in memory and writes down every request.
struct FakeDriver {
    int flags = ASYNC_SKIP_TEST;
    int getError = 0;
    std::vector<std::pair<char, int>> calls; // 'g' or 's', and the flags set

    void install()
    {
        LowLatency::setDriver({[this](int, serial_struct& s) {
                                   calls.emplace_back('g', 0);
                                   if (getError)
                                       return getError;
                                   s.flags = flags;
                                   return 0;
                               },
                               [this](int, const serial_struct& s) {
                                   calls.emplace_back('s', s.flags);
                                   flags = s.flags;
                                   return 0;
                               }});
    }
    ~FakeDriver() { LowLatency::setDriver({}); }
};

} // namespace

TEST(LowLatency, AskedForOnOpenAndGivenBackOnClose)
{
    PtyPair pty;
    FakeDriver driver;
    driver.install();
    {
        PosixSerialBackend line(pty.slavePath);
        ASSERT_EQ(line.open(), 0);
        EXPECT_EQ(driver.flags, ASYNC_SKIP_TEST | ASYNC_LOW_LATENCY);
        line.close();
        EXPECT_EQ(driver.flags, ASYNC_SKIP_TEST);
        EXPECT_EQ(driver.calls.size(), 4u);
    }
    // A driver that has it already is left as it is, also on close.
    driver.flags = ASYNC_LOW_LATENCY;
    driver.calls.clear();
    {
        PosixSerialBackend line(pty.slavePath);
        ASSERT_EQ(line.open(), 0);
        line.close();
    }
    EXPECT_EQ(driver.flags, ASYNC_LOW_LATENCY);
    EXPECT_EQ(driver.calls.size(), 1u);
    // A driver that does not know the request: the port opens all the same, nothing is set.
    driver.getError = ENOTTY;
    driver.calls.clear();
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    EXPECT_TRUE(port.Connected());
    port.Close();
    EXPECT_EQ(driver.calls.size(), 1u);
    EXPECT_EQ(driver.calls[0].first, 'g');
}

TEST(LowLatency, APseudoTerminalIsLeftAloneAndNothingIsSaid)
{
    PtyPair pty;
    QStringList messages;
    static QStringList* seen = nullptr;
    seen = &messages;
    const auto previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { seen->append(text); });
    {
        PosixSerialBackend line(pty.slavePath);
        ASSERT_EQ(line.open(), 0);
        LowLatency probe;
        EXPECT_FALSE(probe.request(line.fd())); // the pty refuses the request
        line.close();
    }
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    port.Close();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST(PortNames, NetworkPortsAreReadInOnePlaceAndTheirErrorsSayWhatToDo)
{
    const struct {
        const char* name;
        bool valid = false, rfc2217 = false;
        const char* host = "";
        int port = 0;
    } names[]{
        {"rfc2217://10.0.0.5:7001", true, true, "10.0.0.5", 7001},
        {"SOCKET://board-3.lab:4001", true, false, "board-3.lab", 4001},
        {"rfc2217://[::1]:7001", true, true, "::1", 7001},
        {"rfc2217://::1:7001", false},
        {"rfc2217://host", false},
        {"socket://host:0", false},
        {"socket://host:65536", false},
        {"rfc2217://host:7001?ign_set_control", false},
    };
    for (const auto& n : names) {
        SCOPED_TRACE(n.name);
        EXPECT_TRUE(PortNames::isNetwork(n.name));
        EXPECT_EQ(PortNames::devicePath(n.name), n.name);
        const auto parsed = PortNames::network(n.name);
        ASSERT_EQ(parsed.has_value(), n.valid);
        if (parsed) {
            EXPECT_EQ(*parsed, (PortNames::NetworkPort{n.rfc2217, n.host, quint16(n.port)}));
        }
    }
    EXPECT_EQ(PortNames::rememberNetwork({"socket://a:1", "x", "rfc2217://b:2"}, "rfc2217://b:2", 2),
              QStringList({"rfc2217://b:2", "socket://a:1"}));

    const PortDiagnosis d;
    const QString port = "socket://board-3.lab:4001";
    EXPECT_EQ(d.lines(CE_OpenFailed, ECONNREFUSED, port),
              "Connection refused\nnothing listens on board-3.lab:4001: is ser2net running there, with a tcp "
              "accepter, or the device server in raw TCP mode?");
    EXPECT_EQ(d.lines(CE_OpenFailed, EADDRNOTAVAIL, port),
              "Unknown host\nboard-3.lab is no name this machine can look up: check its spelling, or give its "
              "address.");
    EXPECT_TRUE(d.lines(CE_OpenFailed, EHOSTUNREACH, port).endsWith("route (ping board-3.lab)."));
    EXPECT_TRUE(d.lines(CE_OpenFailed, ETIMEDOUT, port).contains("did not answer within 3 s"));
    EXPECT_EQ(d.explain(CE_OpenFailed, ECONNRESET, port, "Port already in use").reason,
              "The server answered \"Port already in use\" and closed the connection.");
    EXPECT_EQ(d.explain(CE_WriteFailed, ECONNABORTED, port).reason, "The connection broke.");
}
