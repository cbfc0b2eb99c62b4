#pragma once

#include "LogSink.h"

#include <QPlainTextEdit>
#include <QTime>
#include <QTimer>
#include <functional>
#include <vector>

// The coloured log of a window: black background, text added at the end in the colour set
// last. Carriage returns and line feeds from the board break lines as a terminal would.
//
// What is added waits for the next repaint (at most PaintIntervalMs) and goes into the
// document in one edit: a board that sends a line every millisecond must not cost a layout
// and a scroll per line. The view follows the end unless the user has scrolled up. Every
// reading of the text (plainText(), document()) sees everything added so far.
class RichLog : public QPlainTextEdit, public LogSink {
    Q_OBJECT
public:
    explicit RichLog(QWidget* parent = nullptr);

    void addLine(const QString& text) override;
    void append(const QString& text) override;
    void addLineAbove(const QString& text) override;
    void setColor(LogColor color) override;
    void clear() override;

    [[nodiscard]] LogColor color() const { return m_color; }

    // The oldest lines go once the log holds more than `lines` (and an eighth more, so that
    // they go in batches: each removal lays the whole text out again).
    static constexpr int DefaultLineCap = 20000;
    void setLineCap(int lines);
    [[nodiscard]] int lineCap() const { return m_lineCap; }
    // The text as shown, lines separated by "\n".
    [[nodiscard]] QString plainText() const;
    // The document, with what waits for the next repaint put in.
    [[nodiscard]] QTextDocument* document() const;

    static constexpr int PaintIntervalMs = 33;
    // Puts what waits into the document now.
    void flush();

    // Off by default: each line that comes from the board (appended in white) starts with the
    // time of day it began to come, "14:05:09.123 ".
    void setTimeStamps(bool on) { m_timeStamps = on; }
    [[nodiscard]] bool timeStamps() const { return m_timeStamps; }
    // The time of day the stamps show; the PC's clock when empty.
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    // What was just added at the end, line breaks as "\n" (for a copy of the log in a file).
    void shown(const QString& text);
    // A line that addLineAbove() put above the line being written.
    void shownAbove(const QString& line);

private:
    // A stretch of text waiting for the document, in one colour; "\n" breaks lines.
    struct Run {
        LogColor color;
        QString text;
    };

    void insert(const QString& text, bool fromBoard = false);
    void queue(const QString& text);
    void trim();
    [[nodiscard]] bool followsEnd() const;
    void showEnd();
    [[nodiscard]] QString stamp() const;

    std::vector<Run> m_pending;
    qsizetype m_pendingChars = 0;
    QTimer m_paint;
    bool m_empty = true;         // nothing added since the start or the last clear()
    bool m_lastLineEmpty = true; // the last line holds no character yet
    LogColor m_color = LogColors::White;
    bool m_lastWasCr = false;
    bool m_atLineStart = false; // the text ends with a line break from the text itself
    int m_lineCap = DefaultLineCap;
    bool m_timeStamps = false;
    std::function<QTime()> m_clock;
};
