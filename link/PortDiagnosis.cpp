#include "PortDiagnosis.h"

#include "EComPort.h"
#include "PortNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>

PortDiagnosis::PortDiagnosis(QString root) : m_root(std::move(root))
{
    while (m_root.endsWith(QLatin1Char('/')))
        m_root.chop(1);
}

bool PortDiagnosis::disconnected(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == ECONNRESET || error == ECONNABORTED ||
           error == EPIPE;
}

bool PortDiagnosis::locked(int error) { return error == EWOULDBLOCK || error == EBUSY; }

QString PortDiagnosis::under(const QString& path) const { return m_root + path; }

QString PortDiagnosis::resolved(const QString& devicePath) const
{
    // A by-id name or another link stands for the device it leads to.
    const QString canonical = QFileInfo(under(devicePath)).canonicalFilePath();
    if (canonical.isEmpty() || !canonical.startsWith(m_root + QLatin1Char('/')))
        return devicePath;
    return canonical.mid(m_root.size());
}

QString PortDiagnosis::programOf(qint64 pid) const
{
    const QString dir = under(QStringLiteral("/proc/%1").arg(pid));
    if (!QFileInfo(dir).isDir())
        return {};
    QFile comm(dir + QStringLiteral("/comm"));
    QString name;
    if (comm.open(QIODevice::ReadOnly))
        name = QString::fromLocal8Bit(comm.read(64)).trimmed();
    return name.isEmpty() ? QStringLiteral("PID %1").arg(pid) : QStringLiteral("PID %1 (%2)").arg(pid).arg(name);
}

qint64 PortDiagnosis::pidFromLockFile(const QString& deviceName) const
{
    // The lock files of serial ports: "LCK..ttyUSB0" holding the PID, as ten ASCII digits or,
    // in the oldest form, as a binary int.
    for (const char* dir : {"/var/lock", "/run/lock"}) {
        QFile f(under(QString::fromLatin1(dir) + QStringLiteral("/LCK..") + deviceName));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = f.read(64);
        bool ok = false;
        qint64 pid = data.trimmed().toLongLong(&ok);
        if (!ok && data.size() == 4) {
            qint32 raw = 0;
            std::memcpy(&raw, data.constData(), 4);
            pid = raw;
            ok = true;
        }
        if (ok && pid > 0)
            return pid;
    }
    return 0;
}

qint64 PortDiagnosis::pidFromFlockTable(const QString& devicePath) const
{
    struct stat st {};
    if (::stat(under(devicePath).toLocal8Bit().constData(), &st) != 0)
        return 0;
    // "1: FLOCK  ADVISORY  WRITE 4242 00:05:87 0 EOF": the PID, then the file as the
    // filesystem's major:minor (hex) and the inode.
    const QString file = QStringLiteral("%1:%2:%3")
                             .arg(major(st.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(minor(st.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(qulonglong(st.st_ino));
    QFile locks(under(QStringLiteral("/proc/locks")));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    while (!locks.atEnd()) {
        const QStringList fields = QString::fromLatin1(locks.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // A blocked waiter is shown with "->" in front; only a holder counts.
        if (fields.size() >= 6 && fields[1] != QLatin1String("->") && fields[5].compare(file, Qt::CaseInsensitive) == 0)
            return fields[4].toLongLong();
    }
    return 0;
}

qint64 PortDiagnosis::pidFromOpenFiles(const QString& devicePath) const
{
    const qint64 self = QCoreApplication::applicationPid();
    const QDir proc(under(QStringLiteral("/proc")));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        const QDir fds(proc.filePath(entry) + QStringLiteral("/fd"));
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            if (QFileInfo(fds.filePath(fd)).symLinkTarget() == devicePath)
                return pid;
        }
    }
    return 0;
}

QString PortDiagnosis::holder(const QString& devicePath) const
{
    const QString device = resolved(devicePath);
    qint64 pid = pidFromLockFile(QFileInfo(device).fileName());
    if (pid == 0)
        pid = pidFromFlockTable(device);
    if (pid == 0)
        pid = pidFromOpenFiles(device);
    return pid == 0 ? QString() : programOf(pid);
}

QString PortDiagnosis::groupOf(const QString& devicePath) const
{
    const QString group = QFileInfo(under(resolved(devicePath))).group();
    // A device that belongs to root alone still wants the usual group for serial ports.
    return group.isEmpty() || group == QLatin1String("root") ? QStringLiteral("dialout") : group;
}

QString PortDiagnosis::connectedNow() const
{
    const QString sys = under(QStringLiteral("/sys/class/tty"));
    QStringList found;
    for (const QString& name : PortNames::available(sys, under(QStringLiteral("/dev/serial/by-id")))) {
        if (name.startsWith(QLatin1Char('/')) || name == PortNames::simulatedBoard())
            continue;
        // The built-in serial ports of a PC are always there; an adapter is what was meant.
        const QString what = PortNames::describe(name, sys);
        if (!what.isEmpty())
            found << QStringLiteral("/dev/") + name + QStringLiteral(" (") + what + QLatin1Char(')');
    }
    if (found.isEmpty())
        return QStringLiteral("No USB serial adapter is connected now.");
    return QStringLiteral("Connected now: ") + found.join(QStringLiteral(", ")) + QLatin1Char('.');
}

QString PortDiagnosis::reasonText(int error, const QString& devicePath)
{
    if (PortNames::isNetwork(devicePath)) {
        if (error == ECONNRESET)
            return QStringLiteral("the server closed the connection");
        if (error == ECONNABORTED)
            return QStringLiteral("the connection broke");
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

PortDiagnosis::Text PortDiagnosis::explainNetwork(int code, int error, const QString& portName,
                                                  const QString& farEndText)
{
    Text t;
    t.reason = QString::fromLocal8Bit(std::strerror(error));
    const auto port = PortNames::network(portName);
    if (!port) {
        t.reason = QStringLiteral("No valid network port name.");
        t.hint = QStringLiteral("Write %1 (an IPv6 address in brackets: rfc2217://[::1]:7001).")
                     .arg(PortNames::networkForm());
        return t;
    }
    const QString host = port->host;
    const QString where = port->name().section(QStringLiteral("://"), 1); // "HOST:PORT"
    const bool opening = code == CE_OpenFailed;
    switch (error) {
    case ECONNREFUSED:
        t.hint = port->rfc2217 ? QStringLiteral("nothing listens on %1: is ser2net running there, with a "
                                                "telnet(rfc2217) accepter?")
                                     .arg(where)
                               : QStringLiteral("nothing listens on %1: is ser2net running there, with a tcp "
                                                "accepter, or the device server in raw TCP mode?")
                                     .arg(where);
        break;
    case EADDRNOTAVAIL:
        t.reason = QStringLiteral("Unknown host");
        t.hint = QStringLiteral("%1 is no name this machine can look up: check its spelling, or give its address.")
                     .arg(host);
        break;
    case EHOSTUNREACH:
    case ENETUNREACH:
        t.hint = QStringLiteral("%1 cannot be reached from here: check the address, the network cable and the "
                                "route (ping %1).")
                     .arg(host);
        break;
    case ETIMEDOUT:
        t.hint = opening ? QStringLiteral("%1 did not answer within 3 s: is it switched on and on the network "
                                          "(ping %1), and does no firewall drop TCP port %2?")
                               .arg(host)
                               .arg(port->port)
                         : QStringLiteral("The network did not take the data in time.");
        break;
    case ECONNRESET:
    case ENODEV:
        if (opening && !farEndText.isEmpty()) {
            t.reason = QStringLiteral("The server answered \"%1\" and closed the connection.").arg(farEndText);
            t.hint = farEndText.contains(QStringLiteral("in use"), Qt::CaseInsensitive)
                         ? QStringLiteral("Another connection has the port: close it there, or let ser2net hand "
                                          "the port over to the newest connection (kickolduser: true).")
                         : QString();
        } else if (opening) {
            t.reason = QStringLiteral("The server closed the connection.");
            t.hint =
                QStringLiteral("It took the connection and ended it at once: does %1 serve a serial port?").arg(where);
        } else {
            t.reason = QStringLiteral("The server closed the connection.");
            t.hint = QStringLiteral("ser2net was stopped or restarted, the far host went down, or another "
                                    "connection took the port over.");
        }
        break;
    case ECONNABORTED:
        t.reason = QStringLiteral("The connection broke.");
        t.hint = QStringLiteral("%1 stopped answering (switched off, cable pulled, network down).").arg(host);
        break;
    case ECANCELED: t.reason = QStringLiteral("The connection was given up before it was made."); break;
    default: break;
    }
    return t;
}

PortDiagnosis::Text PortDiagnosis::explain(int code, int error, const QString& devicePath,
                                           const QString& farEndText) const
{
    if (PortNames::isNetwork(devicePath) && !(error == EBADF && code != CE_OpenFailed))
        return explainNetwork(code, error, devicePath, farEndText);
    Text t;
    t.reason = QString::fromLocal8Bit(std::strerror(error));
    if (error == EBADF && code != CE_OpenFailed) {
        t.reason = QStringLiteral("The port is not open.");
        return t;
    }
    if (disconnected(error) && code != CE_OpenFailed) {
        t.hint = QStringLiteral("The device was disconnected (unplugged or switched off).");
        return t;
    }
    switch (error) {
    case EACCES:
    case EPERM: {
        const QString group = groupOf(devicePath);
        t.hint = QStringLiteral("This user may not use %1: it belongs to the group \"%2\". Join the group with\n"
                                "    sudo usermod -aG %2 $USER\n"
                                "then log out and in again: a new group counts from the next login.")
                     .arg(devicePath, group);
        break;
    }
    case ENOENT:
    case ENODEV:
    case ENXIO:
        t.hint = QStringLiteral("%1 is not connected. %2 The port list shows every serial port.")
                     .arg(devicePath, connectedNow());
        break;
    case EWOULDBLOCK:
    case EBUSY: {
        const QString who = holder(devicePath);
        t.hint = (who.isEmpty() ? QStringLiteral("Another program has the port open.")
                                : QStringLiteral("Another program has the port open: %1.").arg(who)) +
                 QStringLiteral(" Close it there, or choose another port.");
        break;
    }
    case ENOTTY: t.hint = QStringLiteral("%1 is no serial device.").arg(devicePath); break;
    case ETIMEDOUT:
        t.hint = QStringLiteral("The line did not take the data in time; with hardware flow control the other "
                                "side may be holding it back.");
        break;
    default: break;
    }
    return t;
}

QString PortDiagnosis::lines(int code, int error, const QString& devicePath, const QString& farEndText) const
{
    const Text t = explain(code, error, devicePath, farEndText);
    return t.hint.isEmpty() ? t.reason : t.reason + QLatin1Char('\n') + t.hint;
}
