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
    qsizetype from = 0;
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
