#include "ConsoleLog.h"

ConsoleLog::ConsoleLog(Write write, bool colours) : m_write(std::move(write)), m_colours(colours) {}

QByteArray ConsoleLog::colorCode(LogColor c)
{
    if (c == LogColors::Yellow)
        return QByteArrayLiteral("\033[93m");
    if (c == LogColors::Green)
        return QByteArrayLiteral("\033[92m");
    // White on a light terminal could not be read; the board's text takes the terminal's colour.
    return {};
}

void ConsoleLog::put(const QByteArray& bytes)
{
    if (beforeWrite)
        beforeWrite();
    m_write(bytes);
}

void ConsoleLog::addLine(const QString& text)
{
    if (!m_enabled)
        return;
    m_lastWasCr = false;
    newLine(false);
    insert(text);
}

void ConsoleLog::append(const QString& text)
{
    if (!m_enabled)
        return;
    if (m_progressShown && !text.isEmpty()) {
        bool progressOnly = true;
        for (QChar c : text)
            progressOnly = progressOnly && (c == QLatin1Char('.') || c == QLatin1Char('\n'));
        if (progressOnly)
            return;
    }
    insert(text);
}

void ConsoleLog::insert(const QString& text)
{
    QString run;
    for (QChar c : text) {
        if (c == QLatin1Char('\n') && m_lastWasCr) {
            m_lastWasCr = false; // CR LF is one line end
            continue;
        }
        m_lastWasCr = c == QLatin1Char('\r');
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            this->text(run);
            run.clear();
            newLine(true);
        } else {
            run += c;
        }
    }
    this->text(run);
}

void ConsoleLog::newLine(bool fromText)
{
    // The text's own line end already stands where a new line would start.
    if (!fromText && m_atLineStart) {
        m_atLineStart = false;
        return;
    }
    if (m_lineHasText) {
        put(QByteArrayLiteral("\n"));
        m_lineHasText = false;
    } else if (m_started) {
        m_blankPending = true;
    }
    m_atLineStart = fromText;
}

void ConsoleLog::text(const QString& run)
{
    if (run.isEmpty())
        return;
    QByteArray bytes;
    if (m_blankPending)
        bytes += '\n';
    m_blankPending = false;
    const QByteArray code = m_colours ? colorCode(m_color) : QByteArray();
    bytes += code + run.toUtf8();
    if (!code.isEmpty())
        bytes += QByteArrayLiteral("\033[0m");
    put(bytes);
    m_started = true;
    m_lineHasText = true;
    m_atLineStart = false;
}

void ConsoleLog::finish()
{
    if (!m_lineHasText)
        return;
    put(QByteArrayLiteral("\n"));
    m_lineHasText = false;
    m_blankPending = false;
    // The next line starts here, without an empty one before it.
    m_atLineStart = true;
}
