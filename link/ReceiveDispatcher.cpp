#include "ReceiveDispatcher.h"

#include "LogSink.h"
#include "TCustomComPort.h"

ReceiveDispatcher::ReceiveDispatcher(TCustomComPort& port, LogSink& terminal, QObject* parent)
    : QObject(parent),
      m_port(port),
      m_terminal(terminal)
{}

void ReceiveDispatcher::complete()
{
    AnswerComplete = 1;
    Q_EMIT completed();
}

bool ReceiveDispatcher::readByte(std::uint8_t& byte)
{
    char c;
    if (m_port.Read(&c, 1) != 1)
        return false;
    byte = static_cast<std::uint8_t>(c);
    return true;
}

void ReceiveDispatcher::ComPortRxChar(int)
{
    // Every answer mode reads, stores, asks the port again what waits, and stops once its input
    // is complete; what still waits then stays for the next event, under whatever mode is set.
    int n = m_port.InputCount();
    while (n > 0 && m_port.Connected()) {
        bool done = false;
        if (readsByBytes()) {
            std::uint8_t b = 0;
            if (!readByte(b))
                return;
            done = takeByte(b);
        } else {
            // The terminal takes what waits now and gives the event loop back: text that comes
            // faster than the window shows it must not keep the loop here for as long as it
            // comes. What is left (or comes) is reported again by the port.
            takeAll(n);
            return;
        }
        n = m_port.InputCount();
        if (done) {
            complete();
            return;
        }
    }
}

bool ReceiveDispatcher::readsByBytes() const
{
    switch (RxMode) {
    case RxAnswerLine:
    case RxSignOn:
    case RxCrReply:
    case RxWaitCr:
    case RxFixedBlock: return true;
    default: return false;
    }
}

void ReceiveDispatcher::takeAll(int count)
{
    QByteArray text;
    m_port.ReadStr(text, count);
    // No other mode is ever set; what it would read is dropped so that nothing loops.
    if (RxMode != RxTerminal)
        return;
    // A NUL from the board must not swallow the rest of what came with it.
    text.replace('\0', QByteArray());
    m_terminal.setColor(LogColors::White);
    if (!text.isEmpty())
        m_terminal.append(QString::fromLatin1(text));
}

bool ReceiveDispatcher::takeByte(std::uint8_t b)
{
    switch (RxMode) {
    case RxAnswerLine:
        // The line feed ends the answer and is kept as a carriage return.
        RxText.append(b == 0x0A ? '\r' : char(b));
        return b == 0x0A;
    case RxSignOn: RxText.append(char(b)); return RxText.contains("VLMR");
    case RxCrReply:
        // Counting goes on past the end of the block, so that the caller can tell that the reply
        // was too long; nothing is stored beyond the block.
        if (RxCount < 0xFFFF)
            ++RxCount;
        if (RxCount < RxBlock.size())
            RxBlock[RxCount] = b;
        if (b == 0x0D && !RxBlock.empty())
            RxBlock[0] = static_cast<std::uint8_t>(RxCount & 0xFF);
        return b == 0x0D;
    case RxWaitCr: return b == 0x0D;
    case RxFixedBlock:
        if (RxCount < RxCapacity && RxCount < RxBlock.size())
            RxBlock[RxCount++] = b;
        else
            m_terminal.append(QStringLiteral("overflow"));
        return RxCount == RxExpected;
    default: return false;
    }
}
