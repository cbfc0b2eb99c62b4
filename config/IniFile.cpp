#include "IniFile.h"

#include "HexText.h"
#include "VelmarError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    m_sections.push_back({});
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return; // a missing file reads as empty
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString raw = in.readLine();
        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            m_sections.push_back({t.mid(1, t.size() - 2).trimmed(), {}});
            continue;
        }
        Line line{raw, {}, {}};
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';')) && !t.startsWith(QLatin1Char('#'))) {
            line.key = raw.left(eq).trimmed();
            line.value = raw.mid(eq + 1);
        }
        m_sections.back().lines.push_back(line);
    }
}

IniFile::Section* IniFile::findSection(const QString& name)
{
    for (auto& s : m_sections)
        if (!s.name.isEmpty() && s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    return const_cast<IniFile*>(this)->findSection(name);
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    for (const auto& l : s->lines)
        if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0)
            return &l;
    return nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const
{
    const Line* l = findLine(section, key);
    return l ? l->value : fallback;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int fallback) const
{
    const Line* l = findLine(section, key);
    return l ? StrToIntDef(l->value.trimmed(), fallback) : fallback;
}

bool IniFile::SectionExists(const QString& section) const { return findSection(section) != nullptr; }

bool IniFile::ValueExists(const QString& section, const QString& key) const
{
    return findLine(section, key) != nullptr;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    Section* s = findSection(section);
    if (!s) {
        m_sections.push_back({section, {}});
        s = &m_sections.back();
    }
    for (auto& l : s->lines) {
        if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0) {
            l.value = value;
            l.text.clear();
            return;
        }
    }
    // New keys go behind the last key of the section, before trailing blank lines.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && std::prev(pos)->key.isEmpty() && std::prev(pos)->text.trimmed().isEmpty())
        --pos;
    s->lines.insert(pos, Line{{}, key, value});
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::UpdateFile()
{
    QString text;
    for (const auto& s : m_sections) {
        if (!s.name.isEmpty())
            text += QLatin1Char('[') + s.name + QStringLiteral("]\n");
        for (const auto& l : s.lines) {
            if (!l.key.isEmpty() && l.text.isEmpty())
                text += l.key + QLatin1Char('=') + l.value + QLatin1Char('\n');
            else
                text += l.text + QLatin1Char('\n');
        }
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw VelmarError(
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_path), file.errorString()));
}

QString IniFile::defaultPath(const QString& fileName)
{
    const QString path = locate(fileName, QCoreApplication::applicationName());
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return path;
}

QString IniFile::locate(const QString& fileName, const QString& program)
{
    return locate(fileName, program, QCoreApplication::applicationDirPath());
}

QString IniFile::locate(const QString& fileName, const QString& program, const QString& programDir)
{
    if (!isInstalledFolder(programDir) && QFileInfo(programDir).isWritable())
        return QDir(programDir).filePath(fileName);
    // The programs set no organization, so each has its folder right below the configuration.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(QDir(config).filePath(program)).filePath(fileName);
}

bool IniFile::isInstalledFolder(const QString& programDir)
{
    const QFileInfo dir(programDir);
    const QString canonical = dir.canonicalFilePath();
    for (const char* system : {"/usr/bin", "/usr/local/bin", "/bin"})
        if (canonical == QLatin1String(system))
            return true;
    const QString menuEntry = QStringLiteral(VELMAR_PROGRAM_TO_DATA "/applications/" VELMAR_APP_ID ".desktop");
    return QFileInfo::exists(QDir(dir.absoluteFilePath()).filePath(menuEntry));
}
