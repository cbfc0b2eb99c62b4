#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <array>
#include <cstdint>

// The client's side of a Telnet connection to a serial port server (RFC 854, RFC 2217), over
// bytes only: what comes from the server is split into the board's data, the answers to the
// option negotiation (queued for sending) and the server's COM-PORT-OPTION answers; what goes
// out has IAC doubled. Every byte value passes unchanged both ways, and no CR NUL is added or
// removed. Commands and subnegotiations may be split across reads anywhere.
//
// Options: BINARY and SGA both ways, COM-PORT-OPTION either way (a server that says DO, as
// ser2net does, and one that says WILL); ECHO and every other option are refused. A request
// for the state in force is not answered, so two peers can never loop.
class Rfc2217Codec {
public:
    // Telnet commands and options.
    static constexpr std::uint8_t IAC = 0xFF, DONT = 0xFE, DO = 0xFD, WONT = 0xFC, WILL = 0xFB, SB = 0xFA, SE = 0xF0;
    static constexpr std::uint8_t BINARY = 0x00, ECHO = 0x01, SGA = 0x03, COM_PORT_OPTION = 0x2C;
    // COM-PORT-OPTION requests from the client; the server answers with the code + 100.
    static constexpr std::uint8_t SET_BAUDRATE = 1, SET_DATASIZE = 2, SET_PARITY = 3, SET_STOPSIZE = 4, SET_CONTROL = 5,
                                  PURGE_DATA = 12, ServerOffset = 100;
    // Values of SET-PARITY, SET-STOPSIZE, SET-CONTROL (flow control) and PURGE-DATA.
    static constexpr std::uint8_t ParityNone = 1, ParityOdd = 2, ParityEven = 3, ParityMark = 4, ParitySpace = 5;
    static constexpr std::uint8_t StopOne = 1, StopTwo = 2, StopOneAndHalf = 3;
    static constexpr std::uint8_t FlowNone = 1, FlowXonXoff = 2, FlowHardware = 3;
    static constexpr std::uint8_t PurgeBoth = 3;
    // A subnegotiation longer than this is a broken one: the rest of it is dropped.
    static constexpr int MaxSubnegotiation = 256;

    // A COM-PORT-OPTION subnegotiation from the server: its code and value bytes.
    struct Answer {
        std::uint8_t code = 0;
        QByteArray value;
        friend bool operator==(const Answer&, const Answer&) = default;
    };

    // What the client offers when the connection opens.
    [[nodiscard]] QByteArray start();
    // The data bytes among `bytes` from the server. Negotiation answers wait in replies(), the
    // server's COM-PORT-OPTION answers in answers().
    [[nodiscard]] QByteArray decode(QByteArrayView bytes);
    // The bytes to send for `data`: each 0xFF doubled.
    [[nodiscard]] static QByteArray encode(QByteArrayView data);
    // A COM-PORT-OPTION request to the server with its value (0xFF in it doubled).
    [[nodiscard]] static QByteArray request(std::uint8_t code, QByteArrayView value);

    // Answers to the server's negotiation, to be sent; taking them empties the queue.
    [[nodiscard]] QByteArray takeReplies();
    [[nodiscard]] QList<Answer> takeAnswers();

    // COM-PORT-OPTION is in force (either way), refused (both ways), or not yet settled.
    [[nodiscard]] bool comPortAgreed() const;
    [[nodiscard]] bool comPortRefused() const;

private:
    // The state of one side of an option (RFC 1143, without the queue bit).
    enum class Side : std::uint8_t { No, Yes, WantYes };
    void negotiate(std::uint8_t verb, std::uint8_t option);
    void endSubnegotiation();
    void reply(std::uint8_t verb, std::uint8_t option);

    enum class State : std::uint8_t { Data, Command, Option, Sub, SubCommand } m_state = State::Data;
    std::uint8_t m_verb = 0;
    QByteArray m_sub;
    bool m_subTooLong = false;
    std::array<Side, 256> m_us{};  // what we do (WILL/WONT)
    std::array<Side, 256> m_him{}; // what the server does (DO/DONT)
    QByteArray m_replies;
    QList<Answer> m_answers;
};
