#pragma once

#include "LineRecorder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <limits>

// Reads a line recording (the format of LineRecorder) into the steps of its replay: a request
// is all the PC sent between two things the board sent, its answer all the board sent before
// the PC's next request. A first step without a request holds what the board sent before the
// PC's first byte. A last line without its line end was cut off where the recording stopped
// (a full disk, a program that was killed) and is left out.
class RecordingReader {
public:
    // The longest a timer waits: an answer may come at most this long after its request.
    static constexpr qint64 MaxDelayUs = qint64(std::numeric_limits<int>::max()) * 1000;

    struct Step {
        QByteArray request;
        int line = 0;     // where the request begins; for a step without one, where its answer does
        qint64 endUs = 0; // the time of the request's last chunk
        QList<LineRecorder::Chunk> answer;
    };
    struct Recording {
        QList<Step> steps;
        int cutLine = 0; // the last line, left out because it was cut off; 0 when none was
    };

    // The steps of the recording `text`; false with `error` set ("line 7: ...") for a line that
    // is no chunk, or an answer that comes later after its request than a timer can wait.
    static bool read(const QByteArray& text, Recording& recording, QString* error);
};
