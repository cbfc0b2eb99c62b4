// The SD-card upload over any sequence of answers to its read telegrams: the PC file holds the
// card's text with every CR or LF ending a line, each line written with CR LF and the text
// behind the last line end as a last line; the reading ends at the end of the card's file or
// after six failed attempts in a row, and the close goes out unless the board said 0x20. A
// copy that did not reach the end leaves no PC file and keeps what came in NAME.part.
#include "FuzzApplication.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "RecordingLog.h"
#include "SdCardCopy.h"
#include "StepReporter.h"
#include "StubRig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct Answer {
    std::uint8_t code = 0x73;
    QByteArray text; // data of a 0x73 answer
};

QByteArray line(const Answer& a)
{
    if (a.code == 0) // a frame with a wrong end byte: no valid answer, counted as a timeout
        return ":aa0120a4\n";
    QByteArray data = QByteArray(1, char(a.code)) + a.text;
    return ":aa" + QByteArray(1, char(data.size())).toHex() + data.toHex() + "a5\n";
}

QString scratchPath()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/velmar-fuzz-XXXXXX")
                                                                       : QDir::tempPath() + "/velmar-fuzz-XXXXXX");
    return dir.filePath(QStringLiteral("card.txt"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureFuzzApplication();
    FuzzInput in(data, size);
    std::vector<Answer> answers;
    while (!in.empty()) {
        const std::uint8_t kind = in.byte();
        switch (kind % 8) {
        case 5: answers.push_back({0x20, {}}); break;
        case 6: answers.push_back({0, {}}); break;
        case 7: {
            // Any other code; 0x73 and 0x20 have their own kinds.
            std::uint8_t code = in.byte();
            if (code == 0x73 || code == 0x20 || code == 0)
                code = 0x21;
            answers.push_back({code, {}});
            break;
        }
        default: answers.push_back({0x73, in.bytes(std::size_t(in.byte() % 100))}); break;
        }
    }

    // What the copy is meant to do with them. Past the last answer the card's file ends.
    QByteArray text;
    int reads = 0, failedAttempts = 0;
    bool flag = false, end = false;
    while (!end && failedAttempts < SdCardCopy::MaxFailedAttempts) {
        const Answer a = reads < int(answers.size()) ? answers[std::size_t(reads)] : Answer{};
        ++reads;
        if (a.code == 0x73) {
            failedAttempts = 0;
            end = a.text.isEmpty();
            text += a.text;
        } else {
            flag = flag || a.code == 0x20;
            ++failedAttempts;
        }
    }
    QByteArray file;
    for (char c : text)
        file += (c == '\r' || c == '\n') ? QByteArray("\r\n") : QByteArray(1, c);
    const QByteArray part = file; // a piece of a line cut off stays without its line end
    if (!text.isEmpty() && !text.endsWith('\r') && !text.endsWith('\n'))
        file += "\r\n";

    {
        StubRig rig;
        RecordingLog log;
        StepReporter steps(rig.link, log);
        int readRequests = 0, closeRequests = 0;
        rig.stub->onWrite = [&](const QByteArray& request) {
            if (request.startsWith(":aa0173")) {
                const auto n = std::size_t(readRequests++);
                rig.stub->feed(line(n < answers.size() ? answers[n] : Answer{}));
            } else {
                closeRequests += request.startsWith(":aa0174");
                rig.stub->feed(":aa0120a5\n");
            }
        };
        const QString path = scratchPath();
        QFile::remove(path);
        QFile::remove(SdCardCopy::partPath(path));
        const SdCardCopy::Result result = SdCardCopy(steps).upload(path);

        FUZZ_CHECK(result.opened);
        FUZZ_CHECK(readRequests == reads);
        FUZZ_CHECK(result.failed == flag);
        FUZZ_CHECK(closeRequests == (flag ? 0 : 1));
        FUZZ_CHECK(result.ok() == (!flag && end));
        FUZZ_CHECK(result.incomplete == !end);
        FUZZ_CHECK(QFile::exists(path) == end);
        FUZZ_CHECK(QFile::exists(SdCardCopy::partPath(path)) == (!end && !text.isEmpty()));
        QFile written(end ? path : SdCardCopy::partPath(path));
        if (end || !text.isEmpty()) {
            FUZZ_CHECK(written.open(QIODevice::ReadOnly));
            FUZZ_CHECK(written.readAll() == (end ? file : part));
        }
        // Every whole line that came starts a line of the log (outcomes may follow it there).
        const QStringList logLines = log.lines();
        const QByteArray lines = end ? file : part.left(part.lastIndexOf('\n') + 1);
        for (const QByteArray& l : lines.split('\n')) {
            const QString shown = QString::fromLatin1(l.chopped(std::min<qsizetype>(l.size(), 1)));
            FUZZ_CHECK(shown.isEmpty() || std::any_of(logLines.begin(), logLines.end(),
                                                      [&](const QString& ll) { return ll.startsWith(shown); }));
        }
    }
    drainPostedEvents();
    return 0;
}
