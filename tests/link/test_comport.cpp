#include "CpuClock.h"
#include "EComPort.h"
#include "LinuxBaudRate.h"
#include "PortNames.h"
#include "PosixSerialBackend.h"
#include "PtyPair.h"
#include "TCustomComPort.h"
#include "TestApplication.h"
#include "WaitUntil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <termios.h>

namespace {

termios lineOf(TCustomComPort& port)
{
    termios tio{};
    tcgetattr(static_cast<PosixSerialBackend*>(port.backend())->fd(), &tio);
    return tio;
}

} // namespace

TEST(PortNames, MapToDevices)
{
    EXPECT_EQ(PortNames::devicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(PortNames::devicePath("com12"), "/dev/ttyS11");
    EXPECT_EQ(PortNames::devicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(PortNames::devicePath("/tmp/velmar"), "/tmp/velmar");
    EXPECT_EQ(PortNames::available().last(), "SIM");
}

TEST(PortNames, ByIdNamesAreListedBesideTheirDevice)
{
    QTemporaryDir root;
    QDir dir(root.path());
    ASSERT_TRUE(dir.mkpath("sys/ttyUSB0") && dir.mkpath("sys/ttyUSB1") && dir.mkpath("sys/ttyS0"));
    for (const char* d : {"sys/ttyUSB0/device", "sys/ttyUSB1/device", "sys/ttyS0/device"})
        ASSERT_TRUE(QFile(dir.filePath(d)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(dir.mkpath("dev/serial/by-id") && dir.mkpath("dev/tty"));
    ASSERT_TRUE(QFile(dir.filePath("dev/tty/ttyUSB0")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile(dir.filePath("dev/tty/ttyUSB1")).open(QIODevice::WriteOnly));
    // The links are relative, as udev makes them; two may lead to one device.
    const QString byId = dir.filePath("dev/serial/by-id");
    ASSERT_TRUE(QFile::link("../../tty/ttyUSB0", byId + "/usb-FTDI_FT232R_A10K2F3Q-if00-port0"));
    ASSERT_TRUE(QFile::link("../../tty/ttyUSB1", byId + "/usb-Prolific_2303-if00-port0"));
    ASSERT_TRUE(QFile::link("../../tty/ttyUSB1", byId + "/usb-Prolific_2303-alias"));

    const auto names = PortNames::byIdNames(byId);
    EXPECT_EQ(names.keys(), QStringList({"ttyUSB0", "ttyUSB1"}));
    EXPECT_EQ(names.value("ttyUSB0"), QStringList{byId + "/usb-FTDI_FT232R_A10K2F3Q-if00-port0"});
    EXPECT_EQ(names.value("ttyUSB1"),
              QStringList({byId + "/usb-Prolific_2303-alias", byId + "/usb-Prolific_2303-if00-port0"}));
    EXPECT_TRUE(PortNames::byIdNames(dir.filePath("none")).isEmpty());

    const QStringList all = PortNames::available(dir.filePath("sys"), byId);
    EXPECT_EQ(all.last(), "SIM");
    for (const QString& name : {QString("ttyS0"), QString("ttyUSB1"), byId + "/usb-Prolific_2303-alias"})
        EXPECT_TRUE(all.contains(name)) << name.toStdString();
}

TEST(ComPort, MissingDeviceGivesTheOpenErrorAndStaysClosed)
{
    TCustomComPort port;
    int opened = 0;
    QObject::connect(&port, &TCustomComPort::AfterOpen, [&] { ++opened; });
    port.SetPort("COM99");
    EXPECT_FALSE(port.Connected()); // a name change while closed opens nothing
    try {
        port.Open();
        FAIL() << "no error";
    } catch (const EComPortExt& e) {
        EXPECT_EQ(e.message(), "COM Port Error: Unable to open com port on COM99");
        EXPECT_EQ(e.code(), 1);
        EXPECT_NE(e.systemError(), 0);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.backend(), nullptr);
    EXPECT_EQ(opened, 0);
}

TEST(ComPort, ErrorTexts)
{
    EXPECT_EQ(EComPort(14, "COM3").message(), "COM3 Error: Cannot set property while connected");
    EXPECT_EQ(ComErrorText(23), "Registry error");
    EXPECT_EQ(ComErrorText(42), "Unknown Error #42");
}

TEST(ComPort, OpensWithTheDesignedLineAndReadsAtOnce)
{
    PtyPair pty;
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    ASSERT_TRUE(port.Connected());
    const termios tio = lineOf(port);
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B57600));

    char buf[8] = {1, 2, 3};
    EXPECT_EQ(port.Read(buf, 8), 0);
    EXPECT_EQ(std::uint8_t(buf[0]), 0xFF);
    EXPECT_EQ(port.InputCount(), 0);

    EXPECT_EQ(port.WriteStr(":aa0120a5\r"), 10);
    EXPECT_EQ(port.WriteStr(QByteArray()), 0);
    QByteArray seen;
    WaitUntil(
        [&] {
            seen += pty.receive();
            return seen.size() >= 10;
        },
        2000);
    EXPECT_EQ(seen, QByteArray(":aa0120a5\r"));
}

TEST(ComPort, SettingsChangeTheLineWhileOpen)
{
    PtyPair pty;
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();

    port.SetFlowControlKind(TFlowControl::fcHardware);
    EXPECT_TRUE(lineOf(port).c_cflag & CRTSCTS);
    EXPECT_EQ(port.FlowControl().ControlRTS, TRTSFlowControl::rtsHandshake);
    EXPECT_TRUE(port.FlowControl().OutCTSFlow);
    port.SetFlowControlKind(TFlowControl::fcSoftware);
    EXPECT_FALSE(lineOf(port).c_cflag & CRTSCTS);
    EXPECT_TRUE(lineOf(port).c_iflag & IXON);
    EXPECT_TRUE(lineOf(port).c_iflag & IXOFF);
    port.SetFlowControlKind(TFlowControl::fcNone);
    EXPECT_EQ(port.FlowControlKind(), TFlowControl::fcNone);
    EXPECT_FALSE(lineOf(port).c_iflag & (IXON | IXOFF));

    // (A pseudo-terminal takes no parity and no other character size, so those are left out.)
    port.SetStopBits(TStopBits::sbTwoStopBits);
    EXPECT_TRUE(lineOf(port).c_cflag & CSTOPB);

    // "Custom" runs the line at the custom rate, which termios has no constant for.
    port.SetCustomBaudRate(28800);
    port.SetBaudRate(TBaudRate::brCustom);
    int rate = 0;
    ASSERT_EQ(GetLinuxBaudRate(static_cast<PosixSerialBackend*>(port.backend())->fd(), rate), 0);
    EXPECT_EQ(rate, 28800);
    port.SetBaudRate(TBaudRate::br115200);
    EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(lineOf(port))), speed_t(B115200));
}

TEST(ComPort, DeferredUpdateAppliesOnce)
{
    PtyPair pty;
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    port.BeginUpdate();
    port.SetBaudRate(TBaudRate::br9600);
    EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(lineOf(port))), speed_t(B57600));
    port.EndUpdate();
    EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(lineOf(port))), speed_t(B9600));
}

TEST(ComPort, ChangingThePortWhileOpenClosesThenOpens)
{
    PtyPair a, b;
    TCustomComPort port;
    QStringList events;
    QObject::connect(&port, &TCustomComPort::AfterOpen, [&] { events << "open " + port.Port(); });
    QObject::connect(&port, &TCustomComPort::AfterClose, [&] { events << "close " + port.Port(); });
    port.SetPort(a.slavePath);
    port.Open();
    port.SetPort(a.slavePath); // the same value does nothing
    port.SetPort(b.slavePath);
    EXPECT_EQ(events, QStringList({"open " + a.slavePath, "close " + b.slavePath, "open " + b.slavePath}));
    EXPECT_TRUE(port.Connected());
}

TEST(ComPort, TwoProgramsCannotShareAPort)
{
    PtyPair pty;
    TCustomComPort first, second;
    first.SetPort(pty.slavePath);
    second.SetPort(pty.slavePath);
    first.Open();
    EXPECT_THROW(second.Open(), EComPortExt);
    EXPECT_FALSE(second.Connected());
}

TEST(ComPort, CharactersReceivedArriveWithTheWaitingCount)
{
    PtyPair pty;
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    int count = 0;
    QByteArray got;
    QObject::connect(&port, &TCustomComPort::RxChar, [&](int n) {
        count = n;
        port.ReadStr(got, n);
    });
    pty.send("hello");
    ASSERT_TRUE(WaitUntil([&] { return got == "hello"; }, 2000));
    EXPECT_EQ(count, 5);
}

TEST(ComPort, HeldEventsLeaveTheBytesWaitingWithoutSpinning)
{
    PtyPair pty;
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    QByteArray got;
    QObject::connect(&port, &TCustomComPort::RxChar, [&](int n) { port.ReadStr(got, n); });
    port.HoldRxEvents();
    port.HoldRxEvents();
    pty.send("sign-on");
    const double cpu = CpuSeconds();
    WaitUntil([] { return false; }, 200);
    EXPECT_LT(CpuSeconds() - cpu, 0.1);
    EXPECT_EQ(got, QByteArray());
    EXPECT_EQ(port.InputCount(), 7);
    port.ReleaseRxEvents(); // holds nest
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(got, QByteArray());
    port.ReleaseRxEvents();
    ASSERT_TRUE(WaitUntil([&] { return got == "sign-on"; }, 2000));
}

TEST(ComPort, AWriteThatCannotCompleteFailsAfterItsTimeOut)
{
    PtyPair pty; // nobody reads the other side
    TCustomComPort port;
    port.SetPort(pty.slavePath);
    port.Open();
    TComTimeouts t;
    t.WriteTotalConstant = 200;
    t.WriteTotalMultiplier = 0;
    port.SetTimeouts(t);
    QElapsedTimer clock;
    clock.start();
    try {
        port.WriteStr(QByteArray(256 * 1024, 'x'));
        FAIL() << "no error";
    } catch (const EComPortExt& e) {
        EXPECT_EQ(e.message(), "COM Port Error: WriteFile function failed on " + pty.slavePath);
    }
    EXPECT_GE(clock.elapsed(), 190);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(port.Connected()); // a slow line is no unplugged one
}

TEST(ComPort, UnplugClosesThePortOnceWithoutSpinning)
{
    TestApplication::errors().clear();
    PtyPair pty;
    TCustomComPort port;
    const QString path = pty.slavePath;
    port.SetPort(path);
    port.Open();
    int closed = 0;
    QObject::connect(&port, &TCustomComPort::AfterClose, [&] { ++closed; });
    pty.unplug();
    ASSERT_TRUE(WaitUntil([&] { return !port.Connected(); }, 2000));
    const double cpu = CpuSeconds();
    WaitUntil([] { return false; }, 300);
    EXPECT_LT(CpuSeconds() - cpu, 0.1);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(TestApplication::errors(), QStringList{"COM Port Error: ReadFile function failed on " + path});
    // Writing to the closed port is an error, not a crash.
    EXPECT_THROW(port.WriteStr("x"), EComPort);
}

TEST(ComPort, ItsOwnEventHandlersRunInsideTheBoundaryItIsGiven)
{
    // A window gives the port a boundary; the error of an unplug then ends there, not in the
    // event dispatch.
    TestApplication::errors().clear();
    PtyPair pty;
    TCustomComPort port;
    QStringList caught;
    int handlers = 0;
    port.SetEventBoundary([&](const std::function<void()>& handler) {
        ++handlers;
        try {
            handler();
        } catch (const VelmarError& e) {
            caught << e.message();
        }
    });
    port.SetPort(pty.slavePath);
    port.Open();
    pty.send("x");
    ASSERT_TRUE(WaitUntil([&] { return handlers > 0; }, 2000));
    pty.unplug();
    ASSERT_TRUE(WaitUntil([&] { return !port.Connected(); }, 2000));
    EXPECT_EQ(caught, QStringList{"COM Port Error: ReadFile function failed on " + pty.slavePath});
    EXPECT_TRUE(TestApplication::errors().isEmpty());
}
