#include "ScriptSettings.h"

#include "IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

ScriptSettings ScriptSettings::read(const IniFile& file)
{
    ScriptSettings s;
    s.XPos = file.ReadInteger(Section, QStringLiteral("XPos"), 0);
    s.YPos = file.ReadInteger(Section, QStringLiteral("YPos"), 0);
    s.Breite = file.ReadInteger(Section, QStringLiteral("Breite"), 0);
    s.Hoehe = file.ReadInteger(Section, QStringLiteral("Hoehe"), 0);
    s.LogFile = file.ReadString(Section, QStringLiteral("LogFile"), NoFile);
    s.ScriptFile = file.ReadString(Section, QStringLiteral("ScriptFile"), NoFile);
    return s;
}

void ScriptSettings::write(IniFile& file) const
{
    file.WriteInteger(Section, QStringLiteral("XPos"), XPos);
    file.WriteInteger(Section, QStringLiteral("YPos"), YPos);
    file.WriteInteger(Section, QStringLiteral("Breite"), Breite);
    file.WriteInteger(Section, QStringLiteral("Hoehe"), Hoehe);
    file.WriteString(Section, QStringLiteral("LogFile"), LogFile);
    file.WriteString(Section, QStringLiteral("ScriptFile"), ScriptFile);
}

QString ScriptSettings::dialogStartName(const QString& stored)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    const bool foreign = stored.contains(QLatin1Char('\\')) || drive.match(stored).hasMatch();
    if (!stored.isEmpty() && !foreign && QFileInfo(stored).absoluteDir().exists())
        return stored;
    QString name = stored;
    name = name.mid(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))) + 1);
    if (drive.match(name).hasMatch())
        name = name.mid(2);
    return QDir::home().filePath(name) + (name.isEmpty() ? QStringLiteral("/") : QString());
}
