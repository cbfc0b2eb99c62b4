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
    int n = m_port.InputCount();
    while (n > 0 && m_port.Connected()) {
        std::uint8_t b = 0;
        switch (RxMode) {
        case RxTerminal: {
            QByteArray text;
            m_port.ReadStr(text, n);
            // A NUL from the board must not swallow the rest of what came with it.
            text.replace('\0', QByteArray());
            m_terminal.setColor(LogColors::White);
            if (!text.isEmpty())
                m_terminal.append(QString::fromLatin1(text));
            n = m_port.InputCount();
            break;
        }
        case RxAnswerLine:
            if (!readByte(b))
                return;
            n = m_port.InputCount();
            if (b == 0x0A) {
                RxText.append('\r');
                complete();
                return;
            }
            RxText.append(char(b));
            break;
        case RxSignOn:
            if (!readByte(b))
                return;
            RxText.append(char(b));
            n = m_port.InputCount();
            if (RxText.contains("VLMR")) {
                complete();
                return;
            }
            break;
        case RxCrReply:
            if (!readByte(b))
                return;
            // Counting goes on past the end of the block, so that the caller can tell that
            // the reply was too long; nothing is stored beyond the block.
            if (RxCount < 0xFFFF)
                ++RxCount;
            if (RxCount < RxBlock.size())
                RxBlock[RxCount] = b;
            n = m_port.InputCount();
            if (b == 0x0D) {
                if (!RxBlock.empty())
                    RxBlock[0] = static_cast<std::uint8_t>(RxCount & 0xFF);
                complete();
                return;
            }
            break;
        case RxWaitCr:
            if (!readByte(b))
                return;
            n = m_port.InputCount();
            if (b == 0x0D) {
                complete();
                return;
            }
            break;
        case RxFixedBlock:
            if (!readByte(b))
                return;
            if (RxCount < RxCapacity && RxCount < RxBlock.size())
                RxBlock[RxCount++] = b;
            else
                m_terminal.append(QStringLiteral("overflow"));
            n = m_port.InputCount();
            if (RxCount == RxExpected) {
                complete();
                return;
            }
            break;
        default: {
            // No such mode is ever set; drop what waits so that nothing loops.
            QByteArray dropped;
            m_port.ReadStr(dropped, n);
            n = m_port.InputCount();
            break;
        }
        }
    }
}
