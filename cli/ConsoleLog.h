#pragma once

#include "LogSink.h"

#include <QByteArray>
#include <functional>

// The windows' log on a text stream. Lines come out as the windows show them: a CR, LF or
// CR LF in the board's text ends a line; a run of empty lines comes out as one, none at the
// start. On a terminal the text has the windows' colours (yellow, green; the board's white is
// the terminal's own colour). Everything goes out at once, so that dots and the board's text
// show while they come.
class ConsoleLog : public LogSink {
public:
    using Write = std::function<void(const QByteArray&)>;

    ConsoleLog(Write write, bool colours);

    void addLine(const QString& text) override;
    void append(const QString& text) override;
    void setColor(LogColor color) override { m_color = color; }
    // A stream cannot take back what it wrote: clearing the window shows nothing here.
    void clear() override {}

    // Ends a line that has text (before the program ends or writes elsewhere).
    void finish();
    // While set, what a pass appends for its progress (dots and their line feeds) is dropped,
    // because a progress bar shows it.
    void setProgressShown(bool on) { m_progressShown = on; }
    // Nothing is written while disabled (--quiet, --json).
    void setEnabled(bool on) { m_enabled = on; }
    // Called before anything is written (so that a progress bar can make room).
    std::function<void()> beforeWrite;

    // The escape sequence that starts text of `color` on a terminal; empty for the terminal's
    // own colour.
    [[nodiscard]] static QByteArray colorCode(LogColor color);

private:
    void insert(const QString& text);
    void newLine(bool fromText);
    void text(const QString& run);
    void put(const QByteArray& bytes);

    Write m_write;
    bool m_colours = false;
    bool m_enabled = true;
    bool m_progressShown = false;
    LogColor m_color = LogColors::White;
    bool m_started = false;      // something has been written
    bool m_lineHasText = false;  // the current line has text on the stream
    bool m_blankPending = false; // an empty line waits for text behind it
    bool m_atLineStart = false;  // the text itself just ended a line
    bool m_lastWasCr = false;
};
