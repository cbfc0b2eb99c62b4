#include "PortsCommand.h"

#include "Console.h"
#include "PortNames.h"

#include <QFileInfo>
#include <QMap>

QStringList PortsCommand::lines(const QStringList& available, const QMap<QString, QStringList>& byId,
                                const Describe& describe)
{
    const auto described = [&](QString line, const QString& name) {
        const QString what = describe ? describe(name) : QString();
        if (!what.isEmpty())
            line += QStringLiteral("  ") + what;
        return line;
    };
    QStringList lines;
    QStringList shown; // by-id names already beside their device
    for (const QString& name : available) {
        if (name.startsWith(QLatin1Char('/')) || name == PortNames::simulatedBoard())
            continue;
        const QStringList ids = byId.value(name);
        lines << described(ids.isEmpty() ? name : name + QStringLiteral("  ") + ids.join(QStringLiteral("  ")), name);
        shown << ids;
    }
    // A by-id name whose device is not among the system's ports stands on its own.
    for (const QString& name : available)
        if (name.startsWith(QLatin1Char('/')) && !shown.contains(name))
            lines << described(name, name);
    lines << PortNames::simulatedBoard();
    return lines;
}

Outcome PortsCommand::run()
{
    for (const QString& line : lines(PortNames::available(), PortNames::byIdNames(),
                                     [](const QString& name) { return PortNames::describePort(name); }))
        console().result(line);
    return Outcome::success();
}
