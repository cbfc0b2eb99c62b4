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
    }
    m_lastWasCr = false;
    m_atLineStart = false;
    insert(text);
}

void RichLog::append(const QString& text) { insert(text); }

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
    cursor.insertText(QString(text).remove(QLatin1Char('\r')).remove(QLatin1Char('\n')), fmt);
    cursor.insertBlock();
    trim();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    ensureCursorVisible();
}

void RichLog::insert(const QString& text)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat fmt;
    fmt.setForeground(QColor(m_color.r, m_color.g, m_color.b));
    QString run;
    auto flush = [&] {
        if (!run.isEmpty())
            cursor.insertText(run, fmt);
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
            m_atLineStart = true;
        } else {
            run += ch;
            m_atLineStart = false;
        }
    }
    flush();
    trim();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}
