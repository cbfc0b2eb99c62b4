#include "PortNames.h"

#include <QDir>
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
