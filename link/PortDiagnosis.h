#pragma once

#include <QString>

// Why a port could not be used, in the user's words, and what to do about it. The window's
// error box and velmar-cli show the same. The files it looks at (the device, lock files,
// /proc) are found below `root`, so that a test can give a tree of its own.
class PortDiagnosis {
public:
    explicit PortDiagnosis(QString root = QStringLiteral("/"));

    struct Text {
        QString reason; // the system's reason ("Permission denied")
        QString hint;   // what to do, possibly several lines; may be empty
    };
    // For the port component's error `code` (ComError) with the system error `error` on the
    // device at `devicePath` (as the system names it, "/dev/ttyUSB0", or a network port's
    // name); `farEndText` is what a network port's server said before it closed.
    [[nodiscard]] Text explain(int code, int error, const QString& devicePath, const QString& farEndText = {}) const;
    // The reason and the hint as lines below an error's own text.
    [[nodiscard]] QString lines(int code, int error, const QString& devicePath, const QString& farEndText = {}) const;
    // The reason alone, as the message of a lost line gives it.
    [[nodiscard]] static QString reasonText(int error, const QString& devicePath);

    // The program that holds the device: "PID 1234 (minicom)", empty when nothing says. Looks
    // at the lock file of the device, the flock table and the open files of each process.
    [[nodiscard]] QString holder(const QString& devicePath) const;

    // The error numbers of a device that went away (a network port's connection too), and of
    // one that another program holds.
    [[nodiscard]] static bool disconnected(int error);
    [[nodiscard]] static bool locked(int error);

private:
    [[nodiscard]] static Text explainNetwork(int code, int error, const QString& portName, const QString& farEndText);
    [[nodiscard]] QString under(const QString& path) const;
    [[nodiscard]] QString resolved(const QString& devicePath) const;
    [[nodiscard]] QString programOf(qint64 pid) const;
    [[nodiscard]] qint64 pidFromLockFile(const QString& deviceName) const;
    [[nodiscard]] qint64 pidFromFlockTable(const QString& devicePath) const;
    [[nodiscard]] qint64 pidFromOpenFiles(const QString& devicePath) const;
    [[nodiscard]] QString connectedNow() const;
    [[nodiscard]] QString groupOf(const QString& devicePath) const;

    QString m_root;
};
