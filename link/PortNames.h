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
};
