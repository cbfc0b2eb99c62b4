#include "DebugPoller.h"

#include "CommandSet.h"
#include "EConvertError.h"
#include "HexText.h"
#include "Link.h"

#include <QDateTime>
#include <algorithm>
#include <tuple>

namespace {

template <std::size_t N>
void lampsFromBits(std::array<LampColor, N>& lamps, std::uint8_t bits)
{
    for (std::size_t i = 0; i < N; ++i)
        lamps[i] = (bits >> i) & 1 ? LampColor::Red : LampColor::Lime;
}

} // namespace

DigitalLamps DebugPoller::lampsOf(std::uint8_t inputs, std::uint8_t buttons, std::uint8_t outputs)
{
    DigitalLamps lamps;
    lampsFromBits(lamps.inputs, inputs);
    lampsFromBits(lamps.buttons, buttons);
    lampsFromBits(lamps.outputs, outputs);
    return lamps;
}

bool DebugPoller::ask(const QString& telegram, std::uint8_t code, std::size_t bytes)
{
    std::uint32_t limit = Link::TelegramTimeout;
    if (m_paceMs > 0)
        limit = std::uint32_t(std::clamp<qint64>(m_paceMs - m_cycleClock.elapsed(), MinAnswerMs, limit));
    std::uint8_t answer = 0;
    try {
        answer = m_link.SendTelegram(telegram, limit);
    } catch (const EConvertError&) {
        if (m_paceMs <= 0)
            throw;
        note(DebugSample::Status::InvalidAnswer);
        return false;
    }
    // An answer short of its bytes counts as none, like a refusal.
    if (answer == code && m_link.AnswerData().size() >= bytes)
        return true;
    note(answer == 0 ? DebugSample::Status::NoAnswer : DebugSample::Status::Refused);
    return false;
}

void DebugPoller::note(DebugSample::Status status)
{
    if (m_status == DebugSample::Status::Ok)
        m_status = status;
    // A silent board would otherwise cost the paced poll one time-out per telegram.
    if (m_paceMs > 0 && status != DebugSample::Status::Refused)
        m_cycleEnded = true;
}

std::optional<std::array<std::uint8_t, 3>> DebugPoller::readIO()
{
    if (!m_active || !ask(CommandSet::digitalIO(), CommandSet::DigitalIO, 3))
        return std::nullopt;
    const auto d = m_link.AnswerData();
    return std::array{d[0], d[1], d[2]};
}

std::optional<std::uint8_t> DebugPoller::readBit(std::uint8_t n)
{
    if (!ask(CommandSet::bitVariable(n), CommandSet::BitVariable, 1))
        return std::nullopt;
    return std::uint8_t((m_link.AnswerData()[0] >> (n % 8)) & 1);
}

std::optional<std::uint16_t> DebugPoller::readWord(std::uint8_t n)
{
    if (!ask(CommandSet::wordVariable(n), CommandSet::WordVariable, 2))
        return std::nullopt;
    const auto d = m_link.AnswerData();
    return std::uint16_t(d[0] | (d[1] << 8));
}

std::optional<DigitalLamps> DebugPoller::PollDigitalIO()
{
    const auto io = readIO();
    if (!io)
        return std::nullopt;
    return lampsOf((*io)[0], (*io)[1], (*io)[2]);
}

std::uint8_t DebugPoller::ReadBitSignal(std::uint8_t n) { return readBit(n).value_or(0); }

std::uint16_t DebugPoller::ReadWordSignal(std::uint8_t n) { return readWord(n).value_or(0); }

DebugPoller::Entry DebugPoller::parseEntry(const QString& text)
{
    if (text.isEmpty())
        return {};
    if (!IsIntegerText(text))
        return {Entry::Invalid, 0};
    // The low byte: 256 watches signal 0, 300 signal 44, -1 signal 255.
    return {Entry::Signal, std::uint8_t(std::uint32_t(StrToInt(text)) & 0xFF)};
}

template <typename Read>
void DebugPoller::pollColumn(const Texts& texts, const InvalidEntry& invalid, Read&& read)
{
    for (int row = 0; row < Rows; ++row) {
        if (!m_active || m_cycleEnded)
            return;
        const Entry e = parseEntry(texts[std::size_t(row)]);
        if (e.kind == Entry::Empty)
            continue;
        if (e.kind == Entry::Invalid) {
            if (invalid)
                invalid(row, texts[std::size_t(row)]);
            return;
        }
        read(row, e.signal);
    }
}

void DebugPoller::PollBitSignals(const Texts& texts, const BitResult& result, const InvalidEntry& invalid)
{
    pollColumn(texts, invalid, [&](int row, std::uint8_t n) {
        const LampColor lamp = bitLamp(ReadBitSignal(n));
        if (result)
            result(row, lamp);
    });
}

void DebugPoller::PollWordSignals(const Texts& texts, const WordResult& result, const InvalidEntry& invalid)
{
    pollColumn(texts, invalid, [&](int row, std::uint8_t n) {
        const std::uint16_t value = ReadWordSignal(n);
        if (result)
            result(row, value);
    });
}

DebugSample DebugPoller::PollCycle(const Texts& bits, const Texts& words, const CycleHandlers& on)
{
    DebugSample sample;
    sample.ms = QDateTime::currentMSecsSinceEpoch();
    if (m_link.busy()) {
        sample.status = DebugSample::Status::Busy;
        return sample;
    }
    m_cycleClock.start();
    m_status = DebugSample::Status::Ok;
    m_cycleEnded = false;
    if (const auto io = readIO()) {
        sample.hasIO = true;
        std::tie(sample.inputs, sample.buttons, sample.outputs) = std::tuple((*io)[0], (*io)[1], (*io)[2]);
        if (on.io)
            on.io(lampsOf(sample.inputs, sample.buttons, sample.outputs));
    }
    pollColumn(bits, on.invalid, [&](int row, std::uint8_t n) {
        auto& cell = sample.bits[std::size_t(row)];
        const auto value = readBit(n);
        cell = {true, value.has_value(), n, value.value_or(0)};
        if (on.bit && !m_cycleEnded)
            on.bit(row, bitLamp(cell.value));
    });
    pollColumn(words, on.invalid, [&](int row, std::uint8_t n) {
        auto& cell = sample.words[std::size_t(row)];
        const auto value = readWord(n);
        cell = {true, value.has_value(), n, value.value_or(0)};
        if (on.word && !m_cycleEnded)
            on.word(row, cell.value);
    });
    sample.status = m_status;
    return sample;
}
