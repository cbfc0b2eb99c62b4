#include "SimSdCard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr char Ack = 0x20;
constexpr char Refused = 0x21;
constexpr char CloseRefused = 0x22;

QByteArray code(char c) { return QByteArray(1, c); }

} // namespace

bool SimSdCard::useFolder(const QString& folder, QString* error)
{
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("cannot make the folder %1").arg(folder);
        return false;
    }
    m_folder = QDir(folder).absolutePath();
    m_files.clear();
    return true;
}

bool SimSdCard::plainName(const QByteArray& name)
{
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    // Names stay inside the card's folder and are plain file names.
    for (char c : name)
        if (std::uint8_t(c) < 0x20 || c == '/' || c == '\\' || c == 0x7F)
            return false;
    return true;
}

QString SimSdCard::pathOf(const QByteArray& name) const { return QDir(m_folder).filePath(QString::fromLatin1(name)); }

bool SimSdCard::contains(const QByteArray& name) const
{
    if (m_folder.isEmpty())
        return m_files.contains(name);
    return plainName(name) && QFileInfo(pathOf(name)).isFile();
}

QByteArray SimSdCard::file(const QByteArray& name) const
{
    if (m_folder.isEmpty())
        return m_files.value(name);
    QFile f(pathOf(name));
    if (!plainName(name) || !f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void SimSdCard::putFile(const QByteArray& name, const QByteArray& content) { (void)store(name, content); }

bool SimSdCard::store(const QByteArray& name, const QByteArray& content)
{
    if (m_folder.isEmpty()) {
        m_files.insert(name, content);
        return true;
    }
    QSaveFile f(pathOf(name));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.commit();
}

QByteArray SimSdCard::execute(std::uint8_t command, const QByteArray& data)
{
    if (!m_present)
        return code(command == 0x74 ? CloseRefused : Refused);
    switch (command) {
    case 0x70: return open(data, Mode::Writing);
    case 0x71: return write(data);
    case 0x72: return open(data, Mode::Reading);
    case 0x73: return read();
    case 0x74: return close();
    default: return code(Refused);
    }
}

QByteArray SimSdCard::open(const QByteArray& name, Mode mode)
{
    if (!plainName(name))
        return code(Refused);
    // A copy that broke off without its close left its file open: the card closes it first,
    // keeping what was written to it.
    if (m_mode != Mode::Closed)
        (void)close();
    if (mode == Mode::Reading) {
        if (!contains(name))
            return code(Refused);
        m_content = file(name);
        m_readAt = 0;
    } else {
        m_content.clear();
    }
    m_mode = mode;
    m_name = name;
    return code(Ack);
}

QByteArray SimSdCard::write(const QByteArray& text)
{
    if (m_mode != Mode::Writing || m_content.size() + text.size() > MaxFileSize)
        return code(Refused);
    m_content += text;
    return code(Ack);
}

QByteArray SimSdCard::read()
{
    if (m_mode != Mode::Reading)
        return code(Refused);
    const QByteArray part = m_content.mid(m_readAt, ReadPart);
    m_readAt += part.size();
    return char(0x73) + part;
}

QByteArray SimSdCard::close()
{
    if (m_mode == Mode::Closed)
        return code(CloseRefused);
    const bool stored = m_mode != Mode::Writing || store(m_name, m_content);
    m_mode = Mode::Closed;
    m_content.clear();
    return code(stored ? Ack : CloseRefused);
}

void SimSdCard::reset()
{
    if (m_mode != Mode::Closed)
        (void)close();
}
