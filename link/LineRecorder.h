#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <functional>

// A recording of a line session: every chunk of bytes the port wrote or read, with its time,
// one chunk a line of text, each line flushed as it is written:
//
//   # velmar line recording: port SIM at 57600 bit/s, started 2026-12-08T22:40:01.318Z
//   0.000000 out 0D 3A 61 61 30 31 31 30 61 35 0D
//   0.000411 out 1B AA
//   0.000411 in 56 4C 4D 52 20 42 6F 6F 74 6C 6F 61 64 65 72 20 56 31 2E 33 0D 0A
//
// The time is in seconds since the start, "out" is from the PC to the board, "in" from the
// board to the PC. Lines that start with '#' are comments.
//
// The port reads a byte at a time where an answer is taken byte by byte; the bytes read one
// after the other make one chunk, which ends when nothing more waits, when the program writes,
// or when the port's event has been handled.
//
// A chunk of the bytes that came while the program did not look at the line (a sleep of the
// bootloader dialogue holds the line unread) carries the time the program stopped looking, not
// the time it was read: the bytes were there by then at the latest, and a replay that sends them then
// has them waiting when the program looks again, as it found them here.
class LineRecorder {
public:
    struct Chunk {
        qint64 us = 0; // microseconds since the start
        bool out = false;
        QByteArray bytes;
    };

    LineRecorder() = default;
    ~LineRecorder() { close(); }
    LineRecorder(const LineRecorder&) = delete;
    LineRecorder& operator=(const LineRecorder&) = delete;

    // Creates `fileName` (replacing it) and writes the heading line; false and errorString()
    // when it cannot.
    bool open(const QString& fileName, const QString& portName, int baud);
    void close();
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }
    [[nodiscard]] QString fileName() const { return m_file.fileName(); }
    [[nodiscard]] const QString& errorString() const { return m_error; }
    // Called once when a line cannot be written; the recording has stopped then.
    std::function<void(const QString& error)> onFailure;

    void sent(const char* data, qint64 count);
    void received(const char* data, qint64 count);
    // Ends the chunk being read (the line has nothing more waiting, or the event is handled).
    void settle();
    // The program stops looking at the line, and looks again; `waiting` bytes came meanwhile.
    void unwatched();
    void watched(qint64 waiting);

    [[nodiscard]] static QByteArray format(const Chunk& chunk);
    // A line of a recording: true with `chunk` set for a chunk, true with `chunk` untouched for
    // a comment or an empty line, false with `error` set for anything else.
    static bool parse(const QByteArray& line, Chunk& chunk, QString* error);

private:
    void put(const Chunk& chunk);
    // False with errorString() set when not all of `bytes` could be written.
    bool writeAll(const QByteArray& bytes);

    QFile m_file;
    QElapsedTimer m_clock;
    QString m_error;
    qint64 m_lastUs = 0;
    qint64 m_unwatchedUs = -1;   // since when the line has not been looked at, -1: it is
    qint64 m_unwatchedBytes = 0; // of the bytes that came meanwhile, those not yet read
    Chunk m_reading;             // the chunk being read, not yet written
};
