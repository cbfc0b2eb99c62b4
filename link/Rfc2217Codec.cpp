#include "Rfc2217Codec.h"

namespace {

bool weDo(std::uint8_t option)
{
    return option == Rfc2217Codec::BINARY || option == Rfc2217Codec::SGA || option == Rfc2217Codec::COM_PORT_OPTION;
}

// The same set for the server: ECHO is refused, the board's bytes are never echoed.
bool heMay(std::uint8_t option) { return weDo(option); }

} // namespace

QByteArray Rfc2217Codec::start()
{
    for (std::uint8_t option : {BINARY, SGA, COM_PORT_OPTION}) {
        m_us[option] = Side::WantYes;
        reply(WILL, option);
    }
    for (std::uint8_t option : {BINARY, SGA}) {
        m_him[option] = Side::WantYes;
        reply(DO, option);
    }
    return takeReplies();
}

void Rfc2217Codec::reply(std::uint8_t verb, std::uint8_t option)
{
    m_replies.append(char(IAC)).append(char(verb)).append(char(option));
}

void Rfc2217Codec::negotiate(std::uint8_t verb, std::uint8_t option)
{
    const bool local = verb == DO || verb == DONT;
    Side& side = local ? m_us[option] : m_him[option];
    const bool wanted = local ? weDo(option) : heMay(option);
    const std::uint8_t yes = local ? WILL : DO, no = local ? WONT : DONT;
    if (verb == DO || verb == WILL) {
        if (side == Side::Yes)
            return;
        if (!wanted) {
            reply(no, option);
            return;
        }
        // An answer to our own request needs none; a new request is agreed to.
        if (side == Side::No)
            reply(yes, option);
        side = Side::Yes;
        return;
    }
    // DONT or WONT: always agreed to; acknowledged only when it changes what was in force.
    if (side == Side::Yes)
        reply(no, option);
    side = Side::No;
}

void Rfc2217Codec::endSubnegotiation()
{
    // IAC SB COM-PORT-OPTION code value... IAC SE; any other option's subnegotiation is dropped.
    if (!m_subTooLong && m_sub.size() >= 2 && std::uint8_t(m_sub[0]) == COM_PORT_OPTION)
        m_answers.append({std::uint8_t(m_sub[1]), m_sub.mid(2)});
    m_sub.clear();
    m_subTooLong = false;
}

QByteArray Rfc2217Codec::decode(QByteArrayView bytes)
{
    QByteArray data;
    data.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        switch (m_state) {
        case State::Data:
            if (b == IAC)
                m_state = State::Command;
            else
                data.append(c);
            break;
        case State::Command:
            m_state = State::Data;
            if (b == IAC)
                data.append(c); // a doubled IAC is one 0xFF of data
            else if (b == WILL || b == WONT || b == DO || b == DONT) {
                m_verb = b;
                m_state = State::Option;
            } else if (b == SB) {
                m_sub.clear();
                m_subTooLong = false;
                m_state = State::Sub;
            }
            // Any other command (NOP, GA, a stray SE, ...) carries nothing for us.
            break;
        case State::Option:
            negotiate(m_verb, b);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == IAC)
                m_state = State::SubCommand;
            else if (m_sub.size() < MaxSubnegotiation)
                m_sub.append(c);
            else
                m_subTooLong = true;
            break;
        case State::SubCommand:
            if (b == IAC) {
                if (m_sub.size() < MaxSubnegotiation)
                    m_sub.append(c);
                else
                    m_subTooLong = true;
                m_state = State::Sub;
            } else if (b == SE) {
                endSubnegotiation();
                m_state = State::Data;
            } else {
                // A command inside a subnegotiation ends it unfinished; the command counts.
                m_sub.clear();
                m_state = State::Command;
                const char again[1] = {c};
                data.append(decode(QByteArrayView(again, 1)));
            }
            break;
        }
    }
    return data;
}

QByteArray Rfc2217Codec::encode(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 16);
    for (const char c : data) {
        out.append(c);
        if (std::uint8_t(c) == IAC)
            out.append(c);
    }
    return out;
}

QByteArray Rfc2217Codec::request(std::uint8_t code, QByteArrayView value)
{
    QByteArray out;
    out.append(char(IAC)).append(char(SB)).append(char(COM_PORT_OPTION)).append(char(code));
    out.append(encode(value));
    return out.append(char(IAC)).append(char(SE));
}

QByteArray Rfc2217Codec::takeReplies() { return std::exchange(m_replies, {}); }

QList<Rfc2217Codec::Answer> Rfc2217Codec::takeAnswers() { return std::exchange(m_answers, {}); }

bool Rfc2217Codec::comPortAgreed() const
{
    return m_us[COM_PORT_OPTION] == Side::Yes || m_him[COM_PORT_OPTION] == Side::Yes;
}

bool Rfc2217Codec::comPortRefused() const
{
    return m_us[COM_PORT_OPTION] == Side::No && m_him[COM_PORT_OPTION] == Side::No;
}
