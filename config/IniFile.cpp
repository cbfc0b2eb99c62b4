#include "IniFile.h"

#include "HexText.h"
#include "VelmarError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// Whether `text` written in Latin-1 reads back as the same text: every character fits, and
// the bytes are not valid UTF-8 unless they are plain ASCII (the reader would take them as
// UTF-8 then).
bool fitsLatin1(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
        ascii = ascii && c.unicode() < 0x80;
    }
    if (ascii)
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(text.toLatin1());
    return utf8.hasError();
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    m_sections.push_back({});
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return; // a missing file reads as empty
    read(file.readAll());
}

void IniFile::read(const QByteArray& bytes)
{
    m_bom = bytes.startsWith(Utf8Bom);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(QByteArrayView(bytes).sliced(m_bom ? Utf8Bom.size() : 0));
    if (utf8.hasError()) {
        // Not UTF-8: an older file from an 8-bit code page. Latin-1 takes every byte as it is.
        m_bom = false;
        m_latin1 = true;
        text = QString::fromLatin1(bytes);
    }

    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            end = text.size();
        QString raw = text.mid(at, end - at);
        const bool crlf = raw.endsWith(QLatin1Char('\r'));
        if (crlf)
            raw.chop(1);
        if (at == 0)
            m_crlf = crlf;
        at = end + 1;

        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            m_sections.push_back({t.mid(1, t.size() - 2).trimmed(), true, Line{raw, {}, {}, crlf}, {}});
            continue;
        }
        Line line{raw, {}, {}, crlf};
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
        if (s.headed && s.name.compare(name, Qt::CaseInsensitive) == 0)
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
    // A line break would end the line early and make the rest a line of its own (a key of
    // another name, or a section header): refused before anything changes.
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value))
        throw VelmarError(QStringLiteral("Cannot store \"%1\" of section \"%2\" in %3: the value holds a line break")
                              .arg(key, section, QDir::toNativeSeparators(m_path)));
    Section* s = findSection(section);
    if (!s) {
        m_sections.push_back({section, true, Line{QLatin1Char('[') + section + QLatin1Char(']'), {}, {}, m_crlf}, {}});
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
    s->lines.insert(pos, Line{{}, key, value, m_crlf});
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::UpdateFile()
{
    QString text;
    const auto put = [&text](const QString& line, bool crlf) {
        text += line;
        text += crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    };
    for (const auto& s : m_sections) {
        if (s.headed)
            put(s.header.text, s.header.crlf);
        for (const auto& l : s.lines)
            put(!l.key.isEmpty() && l.text.isEmpty() ? l.key + QLatin1Char('=') + l.value : l.text, l.crlf);
    }
    // A file read from a code page goes back in it, as long as every character fits and the
    // bytes cannot be mistaken for UTF-8; otherwise UTF-8 keeps the text as it is.
    const bool latin1 = m_latin1 && fitsLatin1(text);
    const QByteArray bytes = latin1 ? text.toLatin1() : (m_bom ? Utf8Bom : QByteArray()) + text.toUtf8();
    QSaveFile file(m_path);
    // Unbuffered, so that a write cut short by a full disk is seen here; a buffered save file
    // would commit the cut-off text as if it were whole. A short write is followed by another,
    // which then fails with the reason.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; written && done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        written = n > 0;
        done += std::max<qint64>(n, 0);
    }
    if (!written || !file.commit())
        throw VelmarError(
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_path), file.errorString()));
    m_latin1 = latin1;
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
