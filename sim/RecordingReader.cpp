#include "RecordingReader.h"

bool RecordingReader::read(const QByteArray& text, Recording& recording, QString* error)
{
    recording = {};
    QList<Step>& steps = recording.steps;
    int number = 0;
    qsizetype from = 0;
    while (from < text.size()) {
        ++number;
        const qsizetype end = text.indexOf('\n', from);
        if (end < 0) {
            recording.cutLine = number;
            break;
        }
        const QByteArray line = text.mid(from, end - from);
        from = end + 1;
        LineRecorder::Chunk chunk;
        chunk.us = -1;
        QString why;
        if (!LineRecorder::parse(line, chunk, &why)) {
            *error = QStringLiteral("line %1: %2").arg(number).arg(why);
            return false;
        }
        if (chunk.us < 0)
            continue;
        if (chunk.out) {
            if (steps.isEmpty() || !steps.last().answer.isEmpty())
                steps.append(Step{{}, number, 0, {}});
            steps.last().request += chunk.bytes;
            steps.last().endUs = chunk.us;
            continue;
        }
        if (steps.isEmpty())
            steps.append(Step{{}, number, 0, {}});
        // The replay waits for it on a timer, from its request on (from its start, before the
        // PC's first byte).
        if (chunk.us - steps.last().endUs > MaxDelayUs) {
            *error = QStringLiteral("line %1: the board's bytes come %2 s after the PC's, longer than a timer waits "
                                    "(%3 s)")
                         .arg(number)
                         .arg(double(chunk.us - steps.last().endUs) / 1e6, 0, 'f', 6)
                         .arg(double(MaxDelayUs) / 1e6, 0, 'f', 3);
            return false;
        }
        steps.last().answer.append(chunk);
    }
    return true;
}
