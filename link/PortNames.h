#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// How the names of serial ports map to devices on this system.
class PortNames {
public:
    // The name that opens the in-process simulated board.
    static QString simulatedBoard() { return QStringLiteral("SIM"); }
    // An absolute path is used as it is, "COMn" means /dev/ttyS(n-1), a network port stays as
    // it is written, any other name is /dev/<name>.
    static QString devicePath(const QString& portName);

    // A serial port on another machine: "rfc2217://HOST:PORT" (Telnet with the line settings,
    // as ser2net and device servers offer it) or "socket://HOST:PORT" (the bytes alone). An
    // IPv6 address is written in brackets ("rfc2217://[::1]:7001").
    struct NetworkPort {
        bool rfc2217 = true;
        QString host; // without the brackets of an IPv6 address
        quint16 port = 0;
        [[nodiscard]] QString name() const;
        friend bool operator==(const NetworkPort&, const NetworkPort&) = default;
    };
    // Whether the name asks for a network port (by its scheme, in any case), well-formed or not.
    static bool isNetwork(const QString& portName);
    // The parts of a network port name; none for another name or one that is not well-formed.
    static std::optional<NetworkPort> network(const QString& portName);
    // How a network port name is written.
    static QString networkForm() { return QStringLiteral("rfc2217://HOST:PORT or socket://HOST:PORT"); }
    // `recent` with `portName` in front when it is a network port, each name once, at most `keep`.
    static QStringList rememberNetwork(const QStringList& recent, const QString& portName, int keep = 6);
    // The serial devices of the system (entries of /sys/class/tty with a device, and the
    // names in /dev/serial/by-id), sorted, with "SIM" at the end.
    static QStringList available(const QString& sysClassTty = QStringLiteral("/sys/class/tty"),
                                 const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));
    // The names in /dev/serial/by-id of each device they lead to, by the device's own name
    // ("ttyUSB0"), each list sorted.
    static QMap<QString, QStringList> byIdNames(const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));
    // What the device of a name ("ttyUSB0") is, from the USB device above it in sysfs: its
    // product and serial number ("FT232R USB UART (A10K2F3Q)"), the vendor where it names no
    // product; empty for a device that is no USB device.
    static QString describe(const QString& deviceName, const QString& sysClassTty = QStringLiteral("/sys/class/tty"));
    // The same for any name of the port list: a by-id name is described by its device, "SIM"
    // as the simulated board.
    static QString describePort(const QString& portName, const QString& sysClassTty = QStringLiteral("/sys/class/tty"));
};
