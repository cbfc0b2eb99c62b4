#pragma once

#include <QString>
#include <cstdint>

// Colour of the text that a log adds from now on.
struct LogColor {
    std::uint8_t r = 255, g = 255, b = 255;
    friend bool operator==(LogColor, LogColor) = default;
};

namespace LogColors {
inline constexpr LogColor Yellow{255, 255, 0};
inline constexpr LogColor White{255, 255, 255};
inline constexpr LogColor Green{0, 255, 0};
} // namespace LogColors

// What the link and download code writes to: the terminal of the main window, the log of a
// dialog, or a recording log in a test. The caret always stands at the end of the text.
class LogSink {
public:
    virtual ~LogSink() = default;
    // Starts a new last line holding `text`.
    virtual void addLine(const QString& text) = 0;
    // Inserts `text` at the caret, continuing the current line.
    virtual void append(const QString& text) = 0;
    // Puts `text` on a line of its own just above the line at the caret, which keeps the caret:
    // for a notice that comes while that line is still being written. A log that cannot do so
    // adds it as a new last line.
    virtual void addLineAbove(const QString& text) { addLine(text); }
    // Colour of what is added or appended next.
    virtual void setColor(LogColor color) = 0;
    virtual void clear() = 0;
};
