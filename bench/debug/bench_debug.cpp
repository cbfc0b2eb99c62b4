// Time of one full debug-window poll cycle (digital I/O, five 1-bit and five 16-bit signals:
// eleven telegrams) against velmar-sim on a pseudo-terminal, next to the 100 ms tick.
#include "BenchRig.h"
#include "DebugPoller.h"
#include "Link.h"
#include "LogSink.h"
#include "TComPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Bytes on the wire for one cycle: the requests and the answer lines with "\r\n".
constexpr int RequestBytes = 10 + 5 * 14 + 5 * 14;
constexpr int AnswerLineBytes = 17 + 5 * 13 + 5 * 15;

void cycles(const char* title, const QStringList& args, int count)
{
    PtyBoard board(args);
    if (!board.ok)
        return;
    Link& link = board.link;

    DebugPoller poller(link);
    poller.setActive(true);
    const DebugPoller::Texts bits{QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("13"),
                                  QStringLiteral("255")};
    const DebugPoller::Texts words{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("10"),
                                   QStringLiteral("255")};
    int answered = 0;
    const auto countBit = [&](int, LampColor) { ++answered; };
    const auto countWord = [&](int, std::uint16_t) { ++answered; };

    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < count; ++i) {
        t.start();
        answered += poller.PollDigitalIO().has_value();
        poller.PollBitSignals(bits, countBit, {});
        poller.PollWordSignals(words, countWord, {});
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    const double limitMs = 1000.0 * (RequestBytes + AnswerLineBytes) / 5760.0;
    std::printf("%-22s %4d cycles of 11 telegrams (%d results): mean %.2f ms, median %.2f ms, min %.2f ms, "
                "max %.2f ms; min %.4f x, median %.4f x the line's %.2f ms\n",
                title, count, answered, sum / count, ms[ms.size() / 2], ms.front(), ms.back(), ms.front() / limitMs,
                ms[ms.size() / 2] / limitMs, limitMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("one cycle puts %d + %d bytes on the line: %.1f ms at 57600 baud (5760 bytes/s)\n", RequestBytes,
                AnswerLineBytes, 1000.0 * (RequestBytes + AnswerLineBytes) / 5760.0);
    cycles("unpaced line", {}, 500);
    cycles("paced at 57600 baud", {QStringLiteral("--pace")}, 100);
    return 0;
}
