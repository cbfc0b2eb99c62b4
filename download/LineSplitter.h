#pragma once

#include <QByteArray>

// The lines of a text file already in memory, one after the other: line ends are LF or CR LF,
// and a last line without its end counts too (an end at the very end adds no empty line).
class LineSplitter {
public:
    explicit LineSplitter(const QByteArray& text) : m_text(text) {}

    // The next line without its end; false when there is none.
    bool next(QByteArray& line);

private:
    const QByteArray& m_text;
    qsizetype m_at = 0;
};
