#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// How the names of serial ports map to devices on this system.
class PortNames {
public:
    // The name that opens the in-process simulated board.
    static QString simulatedBoard() { return QStringLiteral("SIM"); }
    // An absolute path is used as it is, "COMn" means /dev/ttyS(n-1), any other name /dev/<name>.
    static QString devicePath(const QString& portName);
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
