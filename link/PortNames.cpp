#include "PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

QString PortNames::devicePath(const QString& portName)
{
    if (portName.startsWith(QLatin1Char('/')) || isNetwork(portName))
        return portName;
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]*)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(portName);
    if (m.hasMatch())
        return QStringLiteral("/dev/ttyS") + QString::number(m.captured(1).toInt() - 1);
    return QStringLiteral("/dev/") + portName;
}

bool PortNames::isNetwork(const QString& portName)
{
    return portName.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive) ||
           portName.startsWith(QLatin1String("socket://"), Qt::CaseInsensitive);
}

std::optional<PortNames::NetworkPort> PortNames::network(const QString& portName)
{
    // scheme://host:port or scheme://[v6]:port; pyserial's "?option" tails are not taken, so
    // that nobody believes they do something here.
    static const QRegularExpression form(
        QStringLiteral("^(rfc2217|socket)://(?:\\[([0-9A-Fa-f:.]+)\\]|([^\\[\\]:/?#@\\s]+)):([0-9]{1,5})$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(portName);
    if (!m.hasMatch())
        return std::nullopt;
    const int port = m.captured(4).toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    NetworkPort n;
    n.rfc2217 = m.captured(1).compare(QLatin1String("rfc2217"), Qt::CaseInsensitive) == 0;
    n.host = m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
    n.port = quint16(port);
    return n;
}

QString PortNames::NetworkPort::name() const
{
    const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return (rfc2217 ? QStringLiteral("rfc2217://") : QStringLiteral("socket://")) + h + QLatin1Char(':') +
           QString::number(port);
}

QStringList PortNames::rememberNetwork(const QStringList& recent, const QString& portName, int keep)
{
    QStringList names;
    const QString name = portName.trimmed();
    if (network(name))
        names << name;
    for (const QString& r : recent)
        if (names.size() < keep && network(r) && !names.contains(r))
            names << r;
    return names;
}

QStringList PortNames::available(const QString& sysClassTty, const QString& byIdDir)
{
    QStringList names;
    const QDir tty(sysClassTty);
    for (const QString& entry : tty.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        if (QFileInfo::exists(tty.filePath(entry) + QStringLiteral("/device")))
            names << entry;
    }
    const QDir byId(byIdDir);
    for (const QString& entry : byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        names << byId.filePath(entry);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        // ttyS2 before ttyS10
        static const QRegularExpression tail(QStringLiteral("^(.*?)(\\d+)$"));
        const auto ma = tail.match(a), mb = tail.match(b);
        if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
            return ma.captured(2).toInt() < mb.captured(2).toInt();
        return a < b;
    });
    names << simulatedBoard();
    return names;
}

QMap<QString, QStringList> PortNames::byIdNames(const QString& byIdDir)
{
    QMap<QString, QStringList> names;
    const QDir byId(byIdDir);
    for (const QString& entry : byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QFileInfo link(byId.filePath(entry));
        // The links are relative ("../../ttyUSB0"); the device is what they resolve to.
        const QString target = link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
        names[QFileInfo(target).fileName()].append(link.filePath());
    }
    return names;
}

namespace {

QString readAttribute(const QDir& dir, const char* name)
{
    QFile f(dir.filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(256)).trimmed();
}

} // namespace

QString PortNames::describe(const QString& deviceName, const QString& sysClassTty)
{
    // /sys/class/tty/ttyUSB0/device leads to the port of the USB serial driver (ttyUSB) or to
    // the USB interface (ttyACM); the USB device with its strings is a level or two above.
    const QString device =
        QFileInfo(sysClassTty + QLatin1Char('/') + deviceName + QStringLiteral("/device")).canonicalFilePath();
    if (device.isEmpty())
        return {};
    QDir dir(device);
    for (int level = 0; level < 4; ++level) {
        if (QFileInfo::exists(dir.filePath(QStringLiteral("idVendor")))) {
            QString what = readAttribute(dir, "product");
            if (what.isEmpty())
                what = readAttribute(dir, "manufacturer");
            if (what.isEmpty())
                what = QStringLiteral("USB %1:%2").arg(readAttribute(dir, "idVendor"), readAttribute(dir, "idProduct"));
            const QString serial = readAttribute(dir, "serial");
            return serial.isEmpty() ? what : what + QStringLiteral(" (") + serial + QLatin1Char(')');
        }
        if (!dir.cdUp())
            break;
    }
    return {};
}

QString PortNames::describePort(const QString& portName, const QString& sysClassTty)
{
    if (portName == simulatedBoard())
        return QStringLiteral("simulated board");
    if (isNetwork(portName)) {
        const auto n = network(portName);
        if (!n)
            return QStringLiteral("no valid network port: write ") + networkForm();
        return (n->rfc2217 ? QStringLiteral("RFC 2217 port on %1, TCP port %2")
                           : QStringLiteral("raw TCP port on %1, TCP port %2"))
            .arg(n->host)
            .arg(n->port);
    }
    const QString path = devicePath(portName);
    const QFileInfo info(path);
    const QString device = info.isSymLink() ? QFileInfo(info.symLinkTarget()).fileName() : info.fileName();
    return describe(device, sysClassTty);
}
