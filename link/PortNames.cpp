#include "PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

QString PortNames::devicePath(const QString& portName)
{
    if (portName.startsWith(QLatin1Char('/')))
        return portName;
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]*)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(portName);
    if (m.hasMatch())
        return QStringLiteral("/dev/ttyS") + QString::number(m.captured(1).toInt() - 1);
    return QStringLiteral("/dev/") + portName;
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
    const QString path = devicePath(portName);
    const QFileInfo info(path);
    const QString device = info.isSymLink() ? QFileInfo(info.symLinkTarget()).fileName() : info.fileName();
    return describe(device, sysClassTty);
}
