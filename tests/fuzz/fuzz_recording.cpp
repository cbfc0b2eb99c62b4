// The reader of line recordings, as velmar-sim --replay reads them, over any file: a last line
// without its end reads as if it were not there; every chunk of a whole line lands in its
// order, the PC's bytes in the requests and the board's in the answers; no answer waits longer
// than a timer can; and the steps written back as a recording read back the same.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "RecordingReader.h"

namespace {

bool sameSteps(const QList<RecordingReader::Step>& a, const QList<RecordingReader::Step>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].request != b[i].request || a[i].endUs != b[i].endUs || a[i].answer.size() != b[i].answer.size())
            return false;
        for (qsizetype j = 0; j < a[i].answer.size(); ++j)
            if (a[i].answer[j].us != b[i].answer[j].us || a[i].answer[j].bytes != b[i].answer[j].bytes)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QByteArray text = in.rest();
    RecordingReader::Recording recording;
    QString error;
    const bool ok = RecordingReader::read(text, recording, &error);

    // Up to the last line end, as if the cut line were not there.
    const QByteArray whole = text.left(text.lastIndexOf('\n') + 1);
    RecordingReader::Recording wholeRecording;
    QString wholeError;
    FUZZ_CHECK(RecordingReader::read(whole, wholeRecording, &wholeError) == ok);
    FUZZ_CHECK(wholeError == error);
    if (!ok) {
        FUZZ_CHECK_SAY(error.startsWith(QStringLiteral("line ")), error);
        return 0;
    }
    FUZZ_CHECK(wholeRecording.cutLine == 0);
    FUZZ_CHECK((recording.cutLine > 0) == (whole.size() < text.size()));
    FUZZ_CHECK(sameSteps(recording.steps, wholeRecording.steps));

    // The plain model: every line a chunk, a comment or nothing, taken in order.
    QByteArray out, answered;
    for (const QByteArray& line : whole.split('\n')) {
        LineRecorder::Chunk chunk;
        chunk.us = -1;
        FUZZ_CHECK(LineRecorder::parse(line, chunk, nullptr));
        if (chunk.us >= 0)
            (chunk.out ? out : answered) += chunk.bytes;
    }
    QByteArray requests, answers, again;
    for (qsizetype i = 0; i < recording.steps.size(); ++i) {
        const RecordingReader::Step& step = recording.steps[i];
        // Only the first step may lack a request (the board spoke first), only the last an answer.
        FUZZ_CHECK(i == 0 || !step.request.isEmpty());
        FUZZ_CHECK(i + 1 == recording.steps.size() || !step.answer.isEmpty());
        requests += step.request;
        if (!step.request.isEmpty())
            again += LineRecorder::format({step.endUs, true, step.request});
        for (const LineRecorder::Chunk& chunk : step.answer) {
            FUZZ_CHECK(!chunk.out);
            FUZZ_CHECK(chunk.us - step.endUs <= RecordingReader::MaxDelayUs);
            answers += chunk.bytes;
            again += LineRecorder::format(chunk);
        }
    }
    FUZZ_CHECK(requests == out);
    FUZZ_CHECK(answers == answered);

    RecordingReader::Recording reread;
    FUZZ_CHECK_SAY(RecordingReader::read(again, reread, &error), error);
    FUZZ_CHECK(sameSteps(reread.steps, recording.steps));
    return 0;
}
