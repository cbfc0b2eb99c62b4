#include "RichLog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

RichLog::RichLog(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QTextEdit::WidgetWidth);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, Qt::white);
    setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    setFont(f);
}

void RichLog::setLineCap(int lines)
{
    m_lineCap = std::max(lines, 1);
    trim();
}

void RichLog::trim()
{
    // A terminal that runs for days must not grow without end. Letting the document drop one
    // line per line added would lay out everything behind it each time: under a flood of
    // short lines that stalls the window, so the oldest lines go in batches.
    const int blocks = document()->blockCount();
    if (blocks <= m_lineCap + m_lineCap / 8)
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, blocks - m_lineCap);
    cursor.removeSelectedText();
}

void RichLog::setColor(LogColor c) { m_color = c; }

void RichLog::clear()
{
    QTextEdit::clear();
    m_lastWasCr = false;
    m_atLineStart = false;
}

void RichLog::addLine(const QString& text)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const bool empty = document()->characterCount() <= 1;
    // A line that ended with its own line break already stands on a fresh line.
    if (!empty && !m_atLineStart) {
        cursor.insertBlock();
        setTextCursor(cursor);
        Q_EMIT shown(QStringLiteral("\n"));
    }
    m_lastWasCr = false;
    m_atLineStart = false;
    insert(text);
}

// White text appended at the caret is what the board sends.
void RichLog::append(const QString& text) { insert(text, m_color == LogColors::White); }

QString RichLog::stamp() const
{
    return (m_clock ? m_clock() : QTime::currentTime()).toString(QStringLiteral("HH:mm:ss.zzz "));
}

bool RichLog::lastLineEmpty() const { return document()->lastBlock().length() <= 1; }

void RichLog::addLineAbove(const QString& text)
{
    if (document()->characterCount() <= 1) {
        addLine(text);
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    QTextCharFormat fmt;
    fmt.setForeground(QColor(m_color.r, m_color.g, m_color.b));
    // The notice takes the start of the last line, which then moves down as a line of its own.
    const QString line = QString(text).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    cursor.insertText(line, fmt);
    cursor.insertBlock();
    Q_EMIT shownAbove(line);
    trim();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    ensureCursorVisible();
}

void RichLog::insert(const QString& text, bool fromBoard)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat fmt;
    fmt.setForeground(QColor(m_color.r, m_color.g, m_color.b));
    QString run;
    QString shownText; // what a copy in a file gets
    // A line from the board gets its stamp with its first character, so that an empty line
    // end or a line that has not begun yet carries none.
    bool stampDue = fromBoard && m_timeStamps && lastLineEmpty();
    auto flush = [&] {
        if (!run.isEmpty())
            cursor.insertText(run, fmt);
        shownText += run;
        run.clear();
    };
    for (QChar ch : text) {
        if (ch == QLatin1Char('\n') && m_lastWasCr) {
            m_lastWasCr = false; // CR LF is one line end
            continue;
        }
        m_lastWasCr = ch == QLatin1Char('\r');
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            flush();
            cursor.insertBlock(QTextBlockFormat(), fmt);
            shownText += QLatin1Char('\n');
            m_atLineStart = true;
            stampDue = fromBoard && m_timeStamps;
        } else {
            if (stampDue) {
                run += stamp();
                stampDue = false;
            }
            run += ch;
            m_atLineStart = false;
        }
    }
    flush();
    if (!shownText.isEmpty())
        Q_EMIT shown(shownText);
    trim();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}
