#pragma once

#include "LogSink.h"

#include <QTextEdit>

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

private:
    void insert(const QString& text);
    void trim();

    LogColor m_color = LogColors::White;
    bool m_lastWasCr = false;
    bool m_atLineStart = false; // the text ends with a line break from the text itself
    int m_lineCap = DefaultLineCap;
};
