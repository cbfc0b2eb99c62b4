#include "Link.h"

#include "HexText.h"
#include "LogSink.h"
#include "TCustomComPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

Link::Link(TCustomComPort& port, LogSink& terminal, QObject* parent)
    : QObject(parent),
      m_port(port),
      m_terminal(terminal),
      m_rx(port, terminal)
{
    // A port that waits for its far end (a network port connecting or confirming its line
    // settings) pumps events: the line is busy meanwhile, as in every wait of the link.
    connect(&m_port, &TCustomComPort::Waiting, this, [this](bool on) {
        if (on) {
            if (m_holds++ == 0)
                Q_EMIT busyChanged(true);
            if (m_waits++ == 0)
                Q_EMIT waitingChanged(true);
            ++m_portWaits;
        } else if (m_portWaits > 0) {
            --m_portWaits;
            if (--m_waits == 0)
                Q_EMIT waitingChanged(false);
            if (--m_holds == 0)
                Q_EMIT busyChanged(false);
        }
    });
}

Link::~Link() = default;

void Link::ConnectDispatcher() { connect(&m_port, &TCustomComPort::RxChar, &m_rx, &ReceiveDispatcher::ComPortRxChar); }

Link::Hold::Hold(Link& link) : m_link(link)
{
    if (m_link.m_holds++ == 0)
        Q_EMIT m_link.busyChanged(true);
}

Link::Hold::~Hold()
{
    if (--m_link.m_holds == 0)
        Q_EMIT m_link.busyChanged(false);
}

bool Link::refuseIfBusy(const QString& what)
{
    if (!busy())
        return false;
    m_terminal.setColor(LogColors::Yellow);
    m_terminal.addLine(QStringLiteral("line busy, refused: ") + what);
    return true;
}

void Link::write(const QByteArray& bytes) { m_port.WriteStr(bytes); }

void Link::sendTerminalText(const QString& text, bool shown)
{
    toTerminal();
    if (shown) {
        m_terminal.setColor(LogColors::Yellow);
        m_terminal.addLine(text);
    }
    m_terminal.setColor(LogColors::White);
    m_port.WriteStr(text.toLatin1());
}

void Link::expect(RxModes mode)
{
    m_rx.RxMode = mode;
    m_rx.AnswerComplete = 0;
    m_rx.RxText.clear();
    m_rx.RxCount = 0;
}

void Link::toTerminal() { m_rx.RxMode = RxTerminal; }

bool Link::exchange(const QByteArray& bytes, RxModes mode, std::uint32_t timeoutMs)
{
    expect(mode);
    write(bytes);
    return waitForAnswer(timeoutMs);
}

// Tells of a wait for as long as it lasts.
class Link::Waiting {
public:
    explicit Waiting(Link& link) : m_link(link)
    {
        if (m_link.m_waits++ == 0)
            Q_EMIT m_link.waitingChanged(true);
    }
    ~Waiting()
    {
        if (--m_link.m_waits == 0)
            Q_EMIT m_link.waitingChanged(false);
    }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

private:
    Link& m_link;
};

bool Link::waitForAnswer(std::uint32_t timeoutMs)
{
    Hold hold(*this);
    Waiting waiting(*this);
    if (!m_rx.AnswerComplete && m_port.Connected()) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setTimerType(Qt::PreciseTimer);
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&m_rx, &ReceiveDispatcher::completed, &loop, &QEventLoop::quit);
        connect(&m_port, &TCustomComPort::AfterClose, &loop, &QEventLoop::quit);
        // The time-out counts when it has been exceeded, so the deadline lies one tick behind.
        deadline.start(int(std::min<std::uint32_t>(timeoutMs, 0x7FFFFFFE)) + 1);
        loop.exec();
    }
    // One more pass, as the board tools always gave the other handlers after an answer.
    QCoreApplication::processEvents();
    return m_rx.AnswerComplete != 0;
}

void Link::sleep(std::uint32_t ms)
{
    Hold hold(*this);
    Waiting waiting(*this);
    struct RxHold {
        TCustomComPort& port;
        explicit RxHold(TCustomComPort& p) : port(p) { port.HoldRxEvents(); }
        ~RxHold() { port.ReleaseRxEvents(); }
    } rxHold(m_port);
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void Link::pumpEvents()
{
    Hold hold(*this);
    QCoreApplication::processEvents();
}

void Link::dispatchWaiting()
{
    while (m_port.Connected()) {
        const int before = m_port.InputCount();
        if (before <= 0)
            return;
        m_rx.ComPortRxChar(before);
        if (!m_port.Connected() || m_port.InputCount() >= before)
            return;
    }
}

std::uint8_t Link::SendTelegram(const QString& request, std::uint32_t timeoutMs)
{
    if (refuseIfBusy(QStringLiteral("telegram ") + QString(request).remove(QLatin1Char('\r'))))
        return 0;
    m_answerValid = false;
    if (m_echo) {
        m_terminal.setColor(LogColors::Yellow);
        m_terminal.addLine(request);
    }
    if (!exchange(request.toLatin1(), RxAnswerLine, timeoutMs)) {
        if (m_echo) {
            m_terminal.setColor(LogColors::White);
            m_terminal.addLine(QStringLiteral("timeout\r"));
        }
        return 0;
    }
    if (m_echo) {
        m_terminal.setColor(LogColors::White);
        m_terminal.addLine(QString::fromLatin1(m_rx.RxText));
    }
    return decodeAnswer();
}

std::uint8_t Link::decodeAnswer()
{
    const QString text = QString::fromLatin1(m_rx.RxText);
    qsizetype p = text.indexOf(QLatin1Char(':'));
    if (p < 0)
        return 0;
    ++p;
    // Each group is two characters; near the end of the line it may be shorter, and then
    // the conversion fails as it does for any group that is not hex.
    auto group = [&]() {
        const auto value = StrToInt(QLatin1Char('$') + text.mid(p, 2));
        p += 2;
        return value;
    };
    if (group() != 0xAA)
        return 0;
    const int n = group() & 0xFF;
    // More than the buffer holds is a broken answer: refused before anything is stored.
    if (n > 100)
        return 0;
    m_answer[0] = static_cast<std::uint8_t>(n);
    for (int i = 1; i <= n; ++i)
        m_answer[i] = static_cast<std::uint8_t>(group() & 0xFF);
    if (group() != 0xA5)
        return 0;
    // An empty answer carries no code; byte 1 would be left over from an earlier answer.
    if (n == 0)
        return 0;
    m_answerValid = true;
    return m_answer[1];
}

std::span<const std::uint8_t> Link::AnswerData() const
{
    if (!m_answerValid)
        return {};
    return std::span<const std::uint8_t>(m_answer).subspan(2, m_answer[0] - 1);
}
