#pragma once

#include "RecordingReader.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class SimPty;

// Plays the board's side of a line recording back. The recording is cut into requests and
// answers: a request is all the PC sent between two things the board sent, an answer all the
// board sent before the PC's next request. What the PC sends now is compared byte by byte with
// the next request, however it comes in pieces; once the whole request has come, the answer
// goes out, each chunk as long after the request as it was read after it in the recording.
// The first byte that differs ends the replay (failed()); so do bytes after the last request.
class SimReplay : public QObject {
    Q_OBJECT
public:
    explicit SimReplay(QObject* parent = nullptr);

    // Reads the recording whole (a pipe too); false with `error` set ("FILE, line 7: ...") when
    // it cannot, or when it holds nothing to play.
    bool load(const QString& fileName, QString* error);
    // What load() left out and the user should hear of; empty when nothing.
    [[nodiscard]] const QString& notice() const { return m_notice; }
    // The pseudo-terminal carries the replay instead of the board from now on.
    void attach(SimPty& pty);
    // Starts the clock. What the board sent before the PC's first byte goes out at its time
    // after a program opens the device (the recording starts when the port is open), or after
    // the start where the system does not tell of opens.
    void start();
    void receive(const QByteArray& bytes);

    [[nodiscard]] int requests() const { return int(m_steps.size()) - (m_leading ? 1 : 0); }

Q_SIGNALS:
    void transmit(const QByteArray& bytes);
    // Every request has come and every answer has gone out.
    void finished();
    // The replay has ended on a request that differs; `line` names both.
    void failed(const QString& line);

private:
    using Step = RecordingReader::Step;
    struct Due {
        qint64 us;
        QByteArray bytes;
    };
    void answer(const Step& step, qint64 fromUs);
    void sendDue();
    void differ(const QByteArray& recorded, qsizetype at);
    void checkFinished();
    void playLeading();

    QList<Step> m_steps;
    QString m_notice;
    bool m_leading = false; // the first step has no request: the board spoke first
    qsizetype m_next = 0;
    QByteArray m_got; // of the request under way
    QList<Due> m_due;
    QElapsedTimer m_clock;
    QTimer m_timer;
    bool m_over = false;
    SimPty* m_pty = nullptr;
    bool m_leadWaits = false; // the board's first words wait for a program to open the device
};
