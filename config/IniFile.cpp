#include "IniFile.h"

#include "FileKind.h"
#include "HexText.h"
#include "Latin1Text.h"
#include "VelmarError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// What a file of this mode is, for a message; empty for a regular file.
QString kindOf(mode_t mode) { return S_ISREG(mode) ? QString() : fileKindText(mode); }

// What stands at `path` if it is there and no regular file; empty otherwise.
QString nonRegularKind(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? kindOf(st.st_mode) : QString();
}

QString notRegularText(const QString& path, const QString& kind)
{
    return QStringLiteral("the settings file %1 is %2, not a regular file").arg(QDir::toNativeSeparators(path), kind);
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    m_sections.push_back({});
    if (m_path.isEmpty())
        return;
    // Looked at before it is opened, and opened without blocking: a FIFO would hold the open
    // until a writer comes, and opening a device may do something of its own. The look after
    // the open catches a file swapped in between.
    if (const QString kind = nonRegularKind(m_path); !kind.isEmpty()) {
        m_error = notRegularText(m_path, kind);
        return;
    }
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return; // a missing file reads as empty
    QFile file;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        m_error = notRegularText(m_path, kindOf(st.st_mode));
        ::close(fd);
        return;
    }
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

    // LF, CR LF and a CR alone each end a line, so that no text read holds a line break.
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype start = at;
        qsizetype end = at;
        while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        const QString raw = text.mid(start, end - start);
        LineEnd lineEnd = LineEnd::Lf;
        at = end + 1;
        if (end < text.size() && text[end] == QLatin1Char('\r')) {
            lineEnd = at < text.size() && text[at] == QLatin1Char('\n') ? LineEnd::CrLf : LineEnd::Cr;
            at += lineEnd == LineEnd::CrLf ? 1 : 0;
        }
        if (start == 0)
            m_newLineEnd = lineEnd;

        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            m_sections.push_back({t.mid(1, t.size() - 2).trimmed(), true, Line{raw, {}, {}, lineEnd}, {}});
            continue;
        }
        Line line{raw, {}, {}, lineEnd};
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
        m_sections.push_back(
            {section, true, Line{QLatin1Char('[') + section + QLatin1Char(']'), {}, {}, m_newLineEnd}, {}});
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
    s->lines.insert(pos, Line{{}, key, value, m_newLineEnd});
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::UpdateFile()
{
    if (m_path.isEmpty())
        return;
    // A FIFO or a device is never swapped for a file of the settings.
    if (const QString kind = nonRegularKind(m_path); !kind.isEmpty())
        throw VelmarError(QStringLiteral("Cannot write %1: it is %2, not a regular file")
                              .arg(QDir::toNativeSeparators(m_path), kind));
    QString text;
    const auto put = [&text](const QString& line, LineEnd end) {
        text += line;
        text += end == LineEnd::CrLf ? QStringLiteral("\r\n")
                : end == LineEnd::Cr ? QStringLiteral("\r")
                                     : QStringLiteral("\n");
    };
    for (const auto& s : m_sections) {
        if (s.headed)
            put(s.header.text, s.header.end);
        for (const auto& l : s.lines)
            put(!l.key.isEmpty() && l.text.isEmpty() ? l.key + QLatin1Char('=') + l.value : l.text, l.end);
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
