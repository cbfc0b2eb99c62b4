// The reader of line recordings, as velmar-sim --replay reads them, over any file: a last line
// without its end reads as if it were not there; the PC's bytes land in the requests and the
// board's in the answers, in their order; no answer waits longer than a timer can; and the
// steps written back as a recording read back the same.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "RecordingReader.h"

namespace {

// The steps as a recording: each request on one line, then its answer's chunks.
QByteArray written(const RecordingReader::Recording& recording, QByteArray* out, QByteArray* in)
{
    QByteArray text;
    for (const RecordingReader::Step& step : recording.steps) {
        if (!step.request.isEmpty())
            text += LineRecorder::format({step.endUs, true, step.request});
        *out += step.request;
        for (const LineRecorder::Chunk& chunk : step.answer) {
            FUZZ_CHECK(!chunk.out && chunk.us - step.endUs <= RecordingReader::MaxDelayUs);
            text += LineRecorder::format(chunk);
            *in += chunk.bytes;
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const QByteArray text = input.rest();
    const QByteArray whole = text.left(text.lastIndexOf('\n') + 1);
    RecordingReader::Recording recording, wholeRecording;
    QString error, wholeError;
    const bool ok = RecordingReader::read(text, recording, &error);
    FUZZ_CHECK(RecordingReader::read(whole, wholeRecording, &wholeError) == ok && wholeError == error);
    if (!ok) {
        FUZZ_CHECK_SAY(error.startsWith(QStringLiteral("line ")), error);
        return 0;
    }
    FUZZ_CHECK((recording.cutLine > 0) == (whole.size() < text.size()) && wholeRecording.cutLine == 0);

    // Every line a chunk, a comment or nothing, taken in order.
    QByteArray out, in, sent, answered;
    for (const QByteArray& line : whole.split('\n')) {
        LineRecorder::Chunk chunk;
        chunk.us = -1;
        FUZZ_CHECK(LineRecorder::parse(line, chunk, nullptr));
        if (chunk.us >= 0)
            (chunk.out ? sent : answered) += chunk.bytes;
    }
    const QByteArray again = written(recording, &out, &in);
    FUZZ_CHECK(out == sent && in == answered);
    QByteArray unused;
    FUZZ_CHECK(written(wholeRecording, &unused, &unused) == again);

    RecordingReader::Recording reread;
    FUZZ_CHECK_SAY(RecordingReader::read(again, reread, &error), error);
    FUZZ_CHECK(written(reread, &unused, &unused) == again);
    return 0;
}
