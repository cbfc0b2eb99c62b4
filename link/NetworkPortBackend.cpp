#include "NetworkPortBackend.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// A connection that stops answering is given up after about half a minute of silence, or
// 10 s after data that the far host did not take, not after the system's two hours.
constexpr int KeepIdleS = 10, KeepIntervalS = 5, KeepCount = 3, UserTimeoutMs = 10000;

const char* settingName(std::uint8_t code)
{
    switch (code) {
    case Rfc2217Codec::SET_BAUDRATE: return "speed";
    case Rfc2217Codec::SET_DATASIZE: return "data bits";
    case Rfc2217Codec::SET_PARITY: return "parity";
    case Rfc2217Codec::SET_STOPSIZE: return "stop bits";
    case Rfc2217Codec::SET_CONTROL: return "flow control";
    default: return "setting";
    }
}

std::uint8_t parityValue(TParityBits bits)
{
    switch (bits) {
    case TParityBits::prNone: return Rfc2217Codec::ParityNone;
    case TParityBits::prOdd: return Rfc2217Codec::ParityOdd;
    case TParityBits::prEven: return Rfc2217Codec::ParityEven;
    case TParityBits::prMark: return Rfc2217Codec::ParityMark;
    case TParityBits::prSpace: return Rfc2217Codec::ParitySpace;
    }
    return Rfc2217Codec::ParityNone;
}

std::uint8_t stopValue(TStopBits bits)
{
    switch (bits) {
    case TStopBits::sbOneStopBit: return Rfc2217Codec::StopOne;
    case TStopBits::sbOne5StopBits: return Rfc2217Codec::StopOneAndHalf;
    case TStopBits::sbTwoStopBits: return Rfc2217Codec::StopTwo;
    }
    return Rfc2217Codec::StopOne;
}

// The flow control of the termios device, as one of the three the protocol knows.
std::uint8_t flowValue(const TComFlowControl& f)
{
    if (f.OutCTSFlow || f.ControlRTS == TRTSFlowControl::rtsHandshake)
        return Rfc2217Codec::FlowHardware;
    if (f.XonXoffIn || f.XonXoffOut)
        return Rfc2217Codec::FlowXonXoff;
    return Rfc2217Codec::FlowNone;
}

QByteArray bigEndian(quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

// The server's words, as one line that cannot pass for anything else.
QString textOf(QByteArrayView bytes)
{
    QString text;
    for (const char c : bytes.first(std::min<qsizetype>(bytes.size(), 200))) {
        const auto b = std::uint8_t(c);
        text += (b < 0x20 || b == 0x7F) ? QChar(u' ') : QChar(char16_t(b));
    }
    return text.simplified();
}

} // namespace

NetworkPortBackend::NetworkPortBackend(QString portName, QObject* parent)
    : PortBackend(parent),
      m_name(std::move(portName)),
      m_address(PortNames::network(m_name))
{
    m_telnet = !m_address || m_address->rfc2217;
}

NetworkPortBackend::~NetworkPortBackend() { close(); }

bool NetworkPortBackend::event(QEvent* e)
{
    // The port lets go of a device with deleteLater(); while a wait of ours is on the stack,
    // the deletion waits for its end.
    if (e->type() == QEvent::DeferredDelete && m_waitDepth > 0) {
        m_deleteLater = true;
        return true;
    }
    return PortBackend::event(e);
}

void NetworkPortBackend::wake()
{
    if (m_loop)
        m_loop->quit();
}

NetworkPortBackend::Wait NetworkPortBackend::waitFor(const std::function<bool()>& done, int ms)
{
    if (done())
        return Wait::Done;
    if (m_ended)
        return Wait::Ended;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    bool expired = false;
    connect(&deadline, &QTimer::timeout, &loop, [&] {
        expired = true;
        loop.quit();
    });
    QEventLoop* outer = std::exchange(m_loop, &loop);
    ++m_waitDepth;
    Q_EMIT waiting(true);
    deadline.start(ms);
    while (!done() && !expired && !m_ended)
        loop.exec();
    Q_EMIT waiting(false);
    m_loop = outer;
    if (--m_waitDepth == 0 && m_deleteLater)
        deleteLater();
    if (done())
        return Wait::Done;
    return m_ended ? Wait::Ended : Wait::TimedOut;
}

int NetworkPortBackend::open()
{
    if (!m_address)
        return EINVAL;
    m_socket = std::make_unique<QTcpSocket>();
    connect(m_socket.get(), &QTcpSocket::connected, this, &NetworkPortBackend::wake);
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &NetworkPortBackend::onReadyRead);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &NetworkPortBackend::onEnded);
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this, &NetworkPortBackend::onEnded);
    if (int err = connectSocket())
        return err;
    tuneSocket();
    if (m_telnet) {
        if (int err = negotiate())
            return err;
    }
    settle();
    if (m_closed)
        return ECANCELED;
    if (m_ended) {
        // Refused with words (ser2net: "Port already in use"): they are the server's, not
        // the board's.
        m_farEndText = textOf(QByteArrayView(m_input).sliced(m_inputAt));
        return ECONNRESET;
    }
    m_opened = true;
    return 0;
}

int NetworkPortBackend::connectSocket()
{
    m_socket->connectToHost(m_address->host, m_address->port);
    const Wait w =
        waitFor([this] { return m_socket && m_socket->state() == QAbstractSocket::ConnectedState; }, ConnectMs);
    if (w == Wait::Done)
        return 0;
    if (m_closed)
        return ECANCELED;
    const int err = w == Wait::TimedOut ? ETIMEDOUT : socketErrorNumber();
    m_socket->abort();
    return err;
}

void NetworkPortBackend::tuneSocket()
{
    // A telegram of 14 bytes goes out at once, not after the previous one was acknowledged.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto fd = int(m_socket->socketDescriptor());
    if (fd < 0)
        return;
    // Where the system does not take them, its own defaults stay; nothing is lost.
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &KeepIdleS, sizeof KeepIdleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &KeepIntervalS, sizeof KeepIntervalS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &KeepCount, sizeof KeepCount);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &UserTimeoutMs, sizeof UserTimeoutMs);
}

int NetworkPortBackend::negotiate()
{
    m_socket->write(m_codec.start());
    const Wait w = waitFor([this] { return m_codec.comPortAgreed() || m_codec.comPortRefused(); }, AnswerMs);
    if (m_closed)
        return ECANCELED;
    if (w == Wait::Ended)
        return 0; // settle() tells the refusal from the rest
    if (m_codec.comPortAgreed())
        return 0;
    if (w == Wait::TimedOut)
        Q_EMIT notice(QStringLiteral("%1: no Telnet answer within %2 s, the line settings cannot reach the far port "
                                     "(a raw TCP port is opened as socket://%3)")
                          .arg(m_name)
                          .arg(AnswerMs / 1000)
                          .arg(m_name.section(QStringLiteral("://"), 1)));
    else
        Q_EMIT notice(QStringLiteral("%1: the server refuses COM-PORT-OPTION, the line settings cannot reach the far "
                                     "port")
                          .arg(m_name));
    return 0;
}

void NetworkPortBackend::settle()
{
    // Until the server has been quiet for a moment (each piece it sends starts the time anew,
    // for at most ten rounds): what comes meanwhile waits as data unless the server closes.
    for (int round = 0; round < 10 && !m_ended && !m_closed; ++round) {
        const qint64 before = m_input.size();
        waitFor([] { return false; }, SettleMs);
        if (m_input.size() == before)
            break;
    }
}

void NetworkPortBackend::onReadyRead()
{
    if (m_socket)
        take(m_socket->readAll());
}

void NetworkPortBackend::ackAtOnce()
{
    // A server that sends the board's bytes as they come, in small pieces, holds the next piece
    // back until the last one is acknowledged (Nagle), and the system delays that acknowledgement
    // by up to 40 ms: every answer of more than one piece would wait for it. Asking for quick
    // acknowledgements after each read keeps the line's own pace; the system clears the request
    // by itself, hence its renewal.
    const int on = 1;
    if (m_socket && m_socket->socketDescriptor() >= 0)
        ::setsockopt(int(m_socket->socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

void NetworkPortBackend::take(const QByteArray& raw)
{
    if (raw.isEmpty())
        return;
    ackAtOnce();
    QByteArray data;
    if (m_telnet) {
        data = m_codec.decode(raw);
        const QByteArray replies = m_codec.takeReplies();
        if (!replies.isEmpty() && !m_ended && m_socket->state() == QAbstractSocket::ConnectedState)
            m_socket->write(replies);
        for (const Rfc2217Codec::Answer& a : m_codec.takeAnswers()) {
            if (a.code < Rfc2217Codec::ServerOffset)
                continue;
            const auto code = std::uint8_t(a.code - Rfc2217Codec::ServerOffset);
            const auto it = m_pending.constFind(code);
            if (it == m_pending.constEnd())
                continue;
            if (*it != a.value)
                m_differing << QString::fromLatin1(settingName(code));
            m_pending.erase(it);
        }
    } else {
        data = raw;
    }
    if (!data.isEmpty()) {
        m_input.append(data);
        postNotify();
    }
    wake();
}

void NetworkPortBackend::onEnded()
{
    if (m_ended || !m_socket)
        return;
    // What came before the end still counts.
    if (m_socket->isReadable())
        take(m_socket->readAll());
    m_ended = true;
    m_endError = socketErrorNumber();
    wake();
    if (m_opened && !m_closed && !m_lostPosted) {
        m_lostPosted = true;
        // Reported from the event loop, never from inside the socket's own signal.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_closed)
                    Q_EMIT lineLost(endedError());
            },
            Qt::QueuedConnection);
    }
}

int NetworkPortBackend::endedError() const
{
    // The server closing is ECONNRESET; a connection that broke keeps its own reason.
    return m_endError == ETIMEDOUT || m_endError == EHOSTUNREACH ? ECONNABORTED : ECONNRESET;
}

int NetworkPortBackend::socketErrorNumber() const
{
    if (!m_socket)
        return EBADF;
    switch (m_socket->error()) {
    case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError: return ECONNRESET;
    case QAbstractSocket::HostNotFoundError: return EADDRNOTAVAIL;
    case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
    case QAbstractSocket::NetworkError: return EHOSTUNREACH;
    case QAbstractSocket::SocketAccessError: return EACCES;
    case QAbstractSocket::SocketResourceError: return ENOBUFS;
    default: return EIO;
    }
}

void NetworkPortBackend::postNotify()
{
    if (m_notifyPosted || !m_events)
        return;
    m_notifyPosted = true;
    QMetaObject::invokeMethod(this, &NetworkPortBackend::notify, Qt::QueuedConnection);
}

void NetworkPortBackend::notify()
{
    m_notifyPosted = false;
    if (!m_events || m_closed || buffered() == 0)
        return;
    // The handlers may close the port, and an error box they show may let it be deleted.
    const QPointer<NetworkPortBackend> self(this);
    Q_EMIT readyRead();
    // Level-triggered, as a device is: bytes that are still waiting are reported again.
    if (self && !m_closed && buffered() > 0)
        postNotify();
}

int NetworkPortBackend::applySettings(const LineSettings& s)
{
    if (!m_socket || m_closed)
        return EBADF;
    // A raw port, or a server without COM-PORT-OPTION, keeps the line it was set up with.
    if (!m_telnet || !m_codec.comPortAgreed())
        return 0;
    if (m_ended)
        return endedError();
    const QList<std::pair<std::uint8_t, QByteArray>> requests{
        {Rfc2217Codec::SET_BAUDRATE, bigEndian(quint32(s.baudRate))},
        {Rfc2217Codec::SET_DATASIZE, QByteArray(1, char(5 + int(s.dataBits)))},
        {Rfc2217Codec::SET_PARITY, QByteArray(1, char(parityValue(s.parity.Bits)))},
        {Rfc2217Codec::SET_STOPSIZE, QByteArray(1, char(stopValue(s.stopBits)))},
        {Rfc2217Codec::SET_CONTROL, QByteArray(1, char(flowValue(s.flow)))},
    };
    QByteArray out;
    m_pending.clear();
    m_differing.clear();
    for (const auto& [code, value] : requests) {
        out += Rfc2217Codec::request(code, value);
        m_pending.insert(code, value);
    }
    m_socket->write(out);
    const Wait w = waitFor([this] { return m_pending.isEmpty(); }, AnswerMs);
    if (m_closed)
        return EBADF;
    if (w == Wait::Ended) {
        if (!m_opened)
            m_farEndText = textOf(QByteArrayView(m_input).sliced(m_inputAt));
        return endedError();
    }
    QStringList missing;
    for (const auto& [code, value] : requests)
        if (m_pending.contains(code))
            missing << QString::fromLatin1(settingName(code));
    m_pending.clear();
    if (!missing.isEmpty())
        Q_EMIT notice(QStringLiteral("%1: no answer within %2 s to the %3 sent, the far port's %3 is unknown")
                          .arg(m_name)
                          .arg(AnswerMs / 1000)
                          .arg(missing.join(QStringLiteral(", "))));
    if (!m_differing.isEmpty())
        Q_EMIT notice(QStringLiteral("%1: the far port did not take the %2 sent").arg(m_name, m_differing.join(", ")));
    return 0;
}

void NetworkPortBackend::setEventsEnabled(bool on)
{
    m_events = on;
    if (on && buffered() > 0)
        postNotify();
}

int NetworkPortBackend::purge()
{
    if (!m_socket || m_closed)
        return EBADF;
    m_input.clear();
    m_inputAt = 0;
    // The far port's buffers too; the answer is not waited for, nothing depends on it.
    if (m_telnet && m_codec.comPortAgreed() && !m_ended)
        m_socket->write(Rfc2217Codec::request(Rfc2217Codec::PURGE_DATA, QByteArray(1, char(Rfc2217Codec::PurgeBoth))));
    return 0;
}

void NetworkPortBackend::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_events = false;
    if (m_socket) {
        m_socket->disconnect(this);
        if (m_socket->state() == QAbstractSocket::ConnectedState)
            m_socket->flush();
        m_socket->abort();
        // Not deleted here: close() may come from a wait of ours further up the stack.
        m_socket.release()->deleteLater();
    }
    m_ended = true;
    wake();
}

qint64 NetworkPortBackend::inputCount()
{
    if (!m_socket || m_closed)
        return -EBADF;
    if (!m_ended && m_socket->isReadable())
        take(m_socket->readAll());
    return buffered();
}

qint64 NetworkPortBackend::read(char* data, qint64 max)
{
    if (!m_socket || m_closed)
        return -EBADF;
    if (!m_ended && m_socket->isReadable())
        take(m_socket->readAll());
    const qint64 n = std::min(max, buffered());
    if (n <= 0)
        return 0;
    std::memcpy(data, m_input.constData() + m_inputAt, size_t(n));
    m_inputAt += n;
    if (m_inputAt == m_input.size()) {
        m_input.clear();
        m_inputAt = 0;
    } else if (m_inputAt > 65536) {
        m_input.remove(0, m_inputAt);
        m_inputAt = 0;
    }
    return n;
}

qint64 NetworkPortBackend::write(const char* data, qint64 count, int timeoutMs)
{
    if (!m_socket || m_closed)
        return -EBADF;
    if (m_ended)
        return -endedError();
    const QByteArrayView bytes(data, count);
    m_socket->write(m_telnet ? Rfc2217Codec::encode(bytes) : bytes.toByteArray());
    // Handed to the system before returning, as a device write is; the socket's own wait
    // sleeps in poll(), without the event loop, so nothing else runs in the middle of a write.
    QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    while (m_socket && m_socket->bytesToWrite() > 0) {
        if (m_ended || m_socket->state() != QAbstractSocket::ConnectedState)
            return -endedError();
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return -ETIMEDOUT;
        m_socket->waitForBytesWritten(int(std::min<qint64>(left < 0 ? 1000 : left, 1000)));
    }
    if (m_ended || !m_socket)
        return -endedError();
    return count;
}
