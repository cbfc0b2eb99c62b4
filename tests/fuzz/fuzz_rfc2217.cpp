// The Telnet/RFC 2217 codec: any bytes from a server, whole or in pieces of any size, give the
// same data, answers and replies; the data is what a plain reading of the Telnet rules keeps;
// replies only ever agree to the options the client takes; and our own data, encoded and
// decoded again, comes back unchanged.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "Rfc2217Codec.h"

namespace {

// The data bytes of a server's stream, read in one go: everything but IAC sequences, with
// IAC IAC as one 0xFF; a subnegotiation runs to IAC SE, and any other command in it ends it.
QByteArray modelData(const QByteArray& in)
{
    QByteArray data;
    qsizetype i = 0;
    const auto at = [&](qsizetype k) { return k < in.size() ? std::uint8_t(in[k]) : -1; };
    while (i < in.size()) {
        if (at(i) != 0xFF) {
            data.append(in[i++]);
            continue;
        }
        const int c = at(i + 1);
        if (c == 0xFF) {
            data.append(char(0xFF));
            i += 2;
        } else if (c >= 0xFB && c <= 0xFE) {
            i += 3;
        } else if (c == 0xFA) {
            i += 2;
            while (i < in.size()) {
                if (at(i) == 0xFF && at(i + 1) == 0xFF) {
                    i += 2;
                } else if (at(i) == 0xFF) {
                    if (at(i + 1) == 0xF0)
                        i += 2;
                    break; // any other command is read from its IAC on
                } else {
                    ++i;
                }
            }
        } else {
            i += 2;
        }
    }
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size)
{
    FuzzInput in(input, size);
    const int step = 1 + in.byte() % 16;
    const QByteArray stream = in.rest();

    Rfc2217Codec whole, pieces;
    (void)whole.start();
    (void)pieces.start();
    const QByteArray data = whole.decode(stream);
    QByteArray pieceData;
    for (qsizetype at = 0; at < stream.size(); at += step)
        pieceData += pieces.decode(stream.mid(at, step));
    FUZZ_CHECK(data == pieceData);
    FUZZ_CHECK(data == modelData(stream));
    const QByteArray replies = whole.takeReplies();
    FUZZ_CHECK(replies == pieces.takeReplies());
    FUZZ_CHECK(whole.takeAnswers() == pieces.takeAnswers());
    FUZZ_CHECK(whole.comPortAgreed() == pieces.comPortAgreed() && whole.comPortRefused() == pieces.comPortRefused());
    FUZZ_CHECK(!(whole.comPortAgreed() && whole.comPortRefused()));

    FUZZ_CHECK(replies.size() % 3 == 0);
    for (qsizetype r = 0; r < replies.size(); r += 3) {
        const auto verb = std::uint8_t(replies[r + 1]), option = std::uint8_t(replies[r + 2]);
        FUZZ_CHECK(std::uint8_t(replies[r]) == 0xFF && verb >= 0xFB && verb <= 0xFE);
        if (verb == 0xFB || verb == 0xFD)
            FUZZ_CHECK_SAY(option == 0x00 || option == 0x03 || option == 0x2C, QString::number(option, 16));
    }

    Rfc2217Codec echo;
    FUZZ_CHECK(echo.decode(Rfc2217Codec::encode(stream)) == stream);
    FUZZ_CHECK(echo.takeReplies().isEmpty() && echo.takeAnswers().isEmpty());
    return 0;
}
