#include "TerminalLogFile.h"

TerminalLogFile::~TerminalLogFile() { close(); }

bool TerminalLogFile::open(const QString& fileName)
{
    close();
    m_file.setFileName(fileName);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_error = m_file.errorString();
        return false;
    }
    m_error.clear();
    m_midLine = true;
    return true;
}

void TerminalLogFile::close()
{
    if (!m_file.isOpen())
        return;
    if (!m_pending.isEmpty())
        put(m_pending);
    m_pending.clear();
    m_file.close();
}

bool TerminalLogFile::put(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (m_file.write(bytes) == bytes.size() && m_file.flush())
        return true;
    m_error = m_file.errorString();
    m_pending.clear();
    m_file.close();
    return false;
}

bool TerminalLogFile::write(const QString& text)
{
    if (!m_file.isOpen())
        return true;
    // The first line break ends the line the log stood on when the file was opened, whose
    // beginning the file never got.
    qsizetype from = m_midLine && text.startsWith(QLatin1Char('\n')) ? 1 : 0;
    m_midLine = false;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            break;
        m_pending += QStringView(text).mid(from, end - from);
        if (!put(m_pending))
            return false;
        m_pending.clear();
        from = end + 1;
    }
    m_pending += QStringView(text).mid(from);
    return true;
}

bool TerminalLogFile::writeLine(const QString& line) { return !m_file.isOpen() || put(line); }
