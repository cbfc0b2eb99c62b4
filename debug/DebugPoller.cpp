#include "DebugPoller.h"

#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"

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

std::optional<DigitalLamps> DebugPoller::PollDigitalIO()
{
    if (!m_active)
        return std::nullopt;
    // An answer short of its three bytes counts as none, like a refusal.
    const bool data = m_link.SendTelegram(CommandSet::digitalIO()) == CommandSet::DigitalIO;
    const auto d = m_link.AnswerData();
    if (!data || d.size() < 3)
        return std::nullopt;
    return lampsOf(d[0], d[1], d[2]);
}

std::uint8_t DebugPoller::ReadBitSignal(std::uint8_t n)
{
    const bool data = m_link.SendTelegram(CommandSet::bitVariable(n)) == CommandSet::BitVariable;
    const auto d = m_link.AnswerData();
    if (!data || d.empty())
        return 0;
    return (d[0] >> (n % 8)) & 1;
}

std::uint16_t DebugPoller::ReadWordSignal(std::uint8_t n)
{
    const bool data = m_link.SendTelegram(CommandSet::wordVariable(n)) == CommandSet::WordVariable;
    const auto d = m_link.AnswerData();
    if (!data || d.size() < 2)
        return 0;
    return std::uint16_t(d[0] | (d[1] << 8));
}

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
        if (!m_active)
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
