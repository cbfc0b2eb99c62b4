#include "RichLog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// What waits is put in at once beyond this, also between two repaints.
constexpr qsizetype MostPendingChars = 256 * 1024;

QTextCharFormat colored(LogColor c)
{
    QTextCharFormat fmt;
    fmt.setForeground(QColor(c.r, c.g, c.b));
    return fmt;
}

} // namespace

RichLog::RichLog(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, Qt::white);
    setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    setFont(f);
    m_paint.setSingleShot(true);
    m_paint.setInterval(PaintIntervalMs);
    connect(&m_paint, &QTimer::timeout, this, &RichLog::flush);
}

QString RichLog::plainText() const { return document()->toPlainText(); }

QTextDocument* RichLog::document() const
{
    // Reading the log is reading everything added to it; the widget's own drawing goes
    // through the base class and waits for the timer.
    if (!m_pending.empty())
        const_cast<RichLog*>(this)->flush();
    return QPlainTextEdit::document();
}

void RichLog::setLineCap(int lines)
{
    m_lineCap = std::max(lines, 1);
    flush();
    trim();
}

void RichLog::trim()
{
    // A terminal that runs for days must not grow without end. The oldest lines go in
    // batches, an eighth of the cap at a time, rather than one per line added.
    QTextDocument* doc = QPlainTextEdit::document();
    const int blocks = doc->blockCount();
    if (blocks <= m_lineCap + m_lineCap / 8)
        return;
    // Selected by position: moving a cursor block by block would lay out every block it passes.
    QTextCursor cursor(doc);
    cursor.setPosition(doc->findBlockByNumber(blocks - m_lineCap).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void RichLog::setColor(LogColor c) { m_color = c; }

void RichLog::clear()
{
    m_pending.clear();
    m_pendingChars = 0;
    m_paint.stop();
    QPlainTextEdit::clear();
    m_empty = true;
    m_lastLineEmpty = true;
    m_lastWasCr = false;
    m_atLineStart = false;
}

bool RichLog::followsEnd() const
{
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void RichLog::showEnd()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void RichLog::queue(const QString& text)
{
    if (text.isEmpty())
        return;
    if (!m_pending.empty() && m_pending.back().color == m_color)
        m_pending.back().text += text;
    else
        m_pending.push_back({m_color, text});
    m_pendingChars += text.size();
    m_empty = false;
    m_lastLineEmpty = text.back() == QLatin1Char('\n');
    if (m_pendingChars > MostPendingChars)
        flush();
    else if (!m_paint.isActive())
        m_paint.start();
}

void RichLog::flush()
{
    m_paint.stop();
    if (m_pending.empty())
        return;
    const bool follow = followsEnd();
    QTextDocument* doc = QPlainTextEdit::document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    // One edit: the layout and the scroll bar are brought up to date once for all of it.
    cursor.beginEditBlock();
    for (const Run& run : m_pending)
        cursor.insertText(run.text, colored(run.color));
    cursor.endEditBlock();
    m_pending.clear();
    m_pendingChars = 0;
    trim();
    if (follow)
        showEnd();
}

void RichLog::addLine(const QString& text)
{
    // A line that ended with its own line break already stands on a fresh line.
    if (!m_empty && !m_atLineStart) {
        queue(QStringLiteral("\n"));
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

void RichLog::addLineAbove(const QString& text)
{
    if (m_empty) {
        addLine(text);
        return;
    }
    flush();
    const bool follow = followsEnd();
    QTextCursor cursor(QPlainTextEdit::document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    // The notice takes the start of the last line, which then moves down as a line of its own.
    const QString line = QString(text).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    cursor.beginEditBlock();
    cursor.insertText(line, colored(m_color));
    cursor.insertBlock();
    cursor.endEditBlock();
    Q_EMIT shownAbove(line);
    trim();
    if (follow)
        showEnd();
}

void RichLog::insert(const QString& text, bool fromBoard)
{
    QString shownText; // what goes in, and what a copy in a file gets
    shownText.reserve(text.size());
    // A line from the board gets its stamp with its first character, so that an empty line
    // end or a line that has not begun yet carries none.
    bool stampDue = fromBoard && m_timeStamps && m_lastLineEmpty;
    for (QChar ch : text) {
        if (ch == QLatin1Char('\n') && m_lastWasCr) {
            m_lastWasCr = false; // CR LF is one line end
            continue;
        }
        m_lastWasCr = ch == QLatin1Char('\r');
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            shownText += QLatin1Char('\n');
            m_atLineStart = true;
            stampDue = fromBoard && m_timeStamps;
        } else {
            if (stampDue) {
                shownText += stamp();
                stampDue = false;
            }
            shownText += ch;
            m_atLineStart = false;
        }
    }
    if (shownText.isEmpty())
        return;
    queue(shownText);
    Q_EMIT shown(shownText);
}
