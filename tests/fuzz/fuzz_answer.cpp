// Answer decoding. An input either drives the receive dispatcher in one mode (any mode value,
// the unused ones too) with its bytes arriving in pieces, checked after every event against a
// model of what the mode reads, stores and leaves waiting; or it is the board's answer to a
// telegram, checked against a model of the frame decoder: answer code, conversion error,
// the answer buffer (bytes already stored by a broken frame included) and the answer data.
#include "EConvertError.h"
#include "FuzzApplication.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "Link.h"
#include "StubRig.h"

#include <optional>

namespace {

// What the dispatcher is meant to do, one event at a time.
struct DispatcherModel {
    std::uint8_t mode = 0;
    bool complete = false;
    QByteArray text;
    std::vector<std::uint8_t> block;
    std::uint16_t count = 0;
    std::uint16_t expected = 0;
    std::uint16_t capacity = 0;
    QByteArray queue;
    QString terminal;

    void event()
    {
        while (!queue.isEmpty()) {
            if (mode != 2 && (mode < 3 || mode > 6)) {
                // The terminal shows all that waits, NULs left out; other values drop it.
                if (mode == 0)
                    terminal += QString::fromLatin1(QByteArray(queue).replace('\0', QByteArray()));
                queue.clear();
                return;
            }
            const auto b = static_cast<std::uint8_t>(queue[0]);
            queue.remove(0, 1);
            bool done = false;
            switch (mode) {
            case 2:
                text.append(b == 0x0A ? '\r' : char(b));
                done = b == 0x0A;
                break;
            case 3:
                text.append(char(b));
                done = text.contains("VLMR");
                break;
            case 4:
                if (count < 0xFFFF)
                    ++count;
                if (count < block.size())
                    block[count] = b;
                if (b == 0x0D && !block.empty())
                    block[0] = std::uint8_t(count);
                done = b == 0x0D;
                break;
            case 5: done = b == 0x0D; break;
            case 6:
                if (count < capacity && count < block.size())
                    block[count++] = b;
                else
                    terminal += QStringLiteral("overflow");
                done = count == expected;
                break;
            }
            if (done) {
                complete = true;
                return;
            }
        }
    }
};

void fuzzDispatcher(std::uint8_t mode, FuzzInput& in)
{
    StubRig rig;
    ReceiveDispatcher& rx = rig.rx();
    DispatcherModel model;
    model.mode = mode;
    model.expected = in.word();
    model.capacity = in.word();
    model.count = in.word() % 0x200;
    model.block.assign(in.word() % 0x200, 0xEE);

    rx.RxMode = model.mode;
    rx.AnswerComplete = 0;
    rx.RxExpected = model.expected;
    rx.RxCapacity = model.capacity;
    rx.RxCount = model.count;
    rx.RxBlock = model.block;
    while (!in.empty()) {
        const QByteArray piece = in.piece();
        rig.stub->input.append(piece);
        model.queue.append(piece);
        rx.ComPortRxChar(int(rig.stub->input.size()));
        model.event();

        FUZZ_CHECK(rx.RxMode == model.mode);
        FUZZ_CHECK(bool(rx.AnswerComplete) == model.complete);
        FUZZ_CHECK(rx.RxText == model.text);
        FUZZ_CHECK(rx.RxCount == model.count);
        FUZZ_CHECK(rx.RxBlock == model.block);
        FUZZ_CHECK(rig.stub->input == model.queue);
        FUZZ_CHECK_SAY(rig.terminal.text() == model.terminal, rig.terminal.text());
    }
}

// The frame decoder as meant: the first ":", then "aa", the length, that many bytes and "a5",
// each two hex digits in either case. A group that is no hex number is a conversion error.
struct FrameModel {
    AnswerBytes buffer{};
    std::uint8_t code = 0;
    bool convertError = false;
    std::vector<std::uint8_t> data;

    void decode(const QByteArray& text)
    {
        qsizetype p = text.indexOf(':');
        if (p < 0)
            return;
        ++p;
        const auto group = [&]() -> std::optional<int> {
            const QByteArray g = text.mid(p, 2);
            p += 2;
            bool ok = !g.isEmpty();
            for (char c : g)
                ok = ok && std::isxdigit(static_cast<unsigned char>(c));
            if (!ok)
                return std::nullopt;
            return g.toInt(nullptr, 16);
        };
        const auto start = group();
        if (!start) {
            convertError = true;
            return;
        }
        if (*start != 0xAA)
            return;
        const auto length = group();
        if (!length) {
            convertError = true;
            return;
        }
        if (*length > 100)
            return;
        buffer[0] = std::uint8_t(*length);
        for (int i = 1; i <= *length; ++i) {
            const auto b = group();
            if (!b) {
                convertError = true;
                return;
            }
            buffer[i] = std::uint8_t(*b);
        }
        const auto end = group();
        if (!end) {
            convertError = true;
            return;
        }
        if (*end != 0xA5 || *length == 0)
            return;
        code = buffer[1];
        data.assign(buffer.begin() + 2, buffer.begin() + 1 + *length);
    }
};

void fuzzTelegram(bool echo, FuzzInput& in)
{
    StubRig rig;
    if (echo)
        rig.link.SetTelegramEcho();
    // An earlier answer fills the buffer, so that a broken frame has old bytes to leave.
    const QByteArray first(":aa0534010203"
                           "04a5\n");
    const QByteArray answer = in.rest() + '\n';
    int writes = 0;
    rig.stub->onWrite = [&](const QByteArray&) { rig.stub->feed(writes++ == 0 ? first : answer); };
    FUZZ_CHECK(rig.link.SendTelegram(QStringLiteral(":aa023401a5\r")) == 0x34);

    FrameModel model;
    model.buffer = rig.link.AnswerBuffer();
    const QByteArray line = answer.left(answer.indexOf('\n') + 1).replace('\n', '\r');
    model.decode(line);

    std::uint8_t code = 0;
    bool convertError = false;
    try {
        code = rig.link.SendTelegram(QStringLiteral(":aa0120a5\r"));
    } catch (const EConvertError&) {
        convertError = true;
    }
    FUZZ_CHECK(rig.link.rx().RxText == line);
    FUZZ_CHECK(convertError == model.convertError);
    FUZZ_CHECK(code == model.code);
    FUZZ_CHECK(rig.link.AnswerBuffer() == model.buffer);
    const auto data = rig.link.AnswerData();
    FUZZ_CHECK(std::vector<std::uint8_t>(data.begin(), data.end()) == model.data);
    // What came behind the line feed waits for the next exchange.
    FUZZ_CHECK(rig.stub->input == answer.mid(line.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureFuzzApplication();
    FuzzInput in(data, size);
    const std::uint8_t selector = in.byte();
    if (selector & 0x80)
        fuzzTelegram((selector & 0x40) != 0, in);
    else
        fuzzDispatcher(selector & 0x0F, in);
    drainPostedEvents();
    return 0;
}
