#pragma once

#include <QFile>
#include <QString>

// A copy of what a log shows, in a text file that grows by whole lines: each line is written
// and flushed when it ends, so that the file never holds half a line, however the program
// ends. The file is appended to; a line still open when logging stops is written then.
class TerminalLogFile {
public:
    TerminalLogFile() = default;
    ~TerminalLogFile();
    TerminalLogFile(const TerminalLogFile&) = delete;
    TerminalLogFile& operator=(const TerminalLogFile&) = delete;

    // Opens `fileName` for appending; false (and errorString()) when it cannot be opened.
    bool open(const QString& fileName);
    void close();
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }
    [[nodiscard]] QString fileName() const { return m_file.fileName(); }
    [[nodiscard]] QString errorString() const { return m_error; }

    // Text as the log shows it at its end, line breaks as "\n". A line that cannot be
    // written (a full disk, a pulled stick) closes the file: false, and errorString().
    bool write(const QString& text);
    // A whole line that the log put above the line being written.
    bool writeLine(const QString& line);

private:
    bool put(const QString& line);

    QFile m_file;
    QString m_pending;
    bool m_midLine = false; // opened while the log stood somewhere in a line
    QString m_error;
};
