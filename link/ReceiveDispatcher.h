#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <vector>

class TCustomComPort;
class LogSink;

// Receive modes: what the dispatcher does with the bytes the board sends.
enum RxModes : std::uint8_t {
    RxTerminal = 0,   // show everything in the terminal
    RxAnswerLine = 2, // collect a telegram answer up to the line feed
    RxSignOn = 3,     // collect until the bootloader's sign-on "VLMR"
    RxCrReply = 4,    // store a reply up to its carriage return, count in element 0
    RxWaitCr = 5,     // drop bytes until a carriage return
    RxFixedBlock = 6, // store a block of a known length
};

// Routes incoming bytes by the current receive mode and raises AnswerComplete when the input
// awaited by that mode is complete. The link sets the mode and clears the state (Link::expect).
class ReceiveDispatcher : public QObject {
    Q_OBJECT
public:
    ReceiveDispatcher(TCustomComPort& port, LogSink& terminal, QObject* parent = nullptr);

    // The link state; read and written on the UI thread only.
    std::uint8_t RxMode = RxTerminal;
    std::uint8_t AnswerComplete = 0;
    QByteArray RxText;
    std::vector<std::uint8_t> RxBlock;
    std::uint16_t RxCount = 0;
    std::uint16_t RxExpected = 0;
    std::uint16_t RxCapacity = 0;

    // Handles one characters-received event; the count is not used, the port is asked.
    void ComPortRxChar(int count);

Q_SIGNALS:
    // AnswerComplete went to 1.
    void completed();

private:
    void complete();
    [[nodiscard]] bool readByte(std::uint8_t& byte);
    // Whether the current mode takes one byte per read (all but the terminal).
    [[nodiscard]] bool readsByBytes() const;
    // Reads all `count` waiting bytes: the terminal shows them.
    void takeAll(int count);
    // Stores one byte by the current mode; true when the awaited input is complete.
    bool takeByte(std::uint8_t byte);

    TCustomComPort& m_port;
    LogSink& m_terminal;
};
