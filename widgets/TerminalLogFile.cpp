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

void TerminalLogFile::put(const QString& line)
{
    m_file.write(line.toUtf8() + '\n');
    m_file.flush();
}

void TerminalLogFile::write(const QString& text)
{
    if (!m_file.isOpen())
        return;
    // The first line break ends the line the log stood on when the file was opened, whose
    // beginning the file never got.
    qsizetype from = m_midLine && text.startsWith(QLatin1Char('\n')) ? 1 : 0;
    m_midLine = false;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            break;
        m_pending += QStringView(text).mid(from, end - from);
        put(m_pending);
        m_pending.clear();
        from = end + 1;
    }
    m_pending += QStringView(text).mid(from);
}

void TerminalLogFile::writeLine(const QString& line)
{
    if (m_file.isOpen())
        put(line);
}
