#pragma once

#include "LogSink.h"

#include <QTextEdit>
#include <QTime>
#include <functional>

// The coloured log of a window: black background, text added at the end in the colour set
// last. Carriage returns and line feeds from the board break lines as a terminal would.
class RichLog : public QTextEdit, public LogSink {
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
    [[nodiscard]] QString plainText() const { return toPlainText(); }

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
    void insert(const QString& text, bool fromBoard = false);
    void trim();
    [[nodiscard]] QString stamp() const;
    [[nodiscard]] bool lastLineEmpty() const;

    LogColor m_color = LogColors::White;
    bool m_lastWasCr = false;
    bool m_atLineStart = false; // the text ends with a line break from the text itself
    int m_lineCap = DefaultLineCap;
    bool m_timeStamps = false;
    std::function<QTime()> m_clock;
};
