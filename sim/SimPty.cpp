#include "SimPty.h"

#include "LinePacer.h"
#include "SimBoard.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

SimPty::SimPty(SimBoard& board, QObject* parent) : QObject(parent), m_board(board)
{
    m_toBoard = new LinePacer(
        [this](const QByteArray& b) {
            if (m_peer)
                m_peer(b);
            else
                m_board.receive(b);
        },
        this);
    m_toPc = new LinePacer([this](const QByteArray& b) { toClient(b); }, this);
    connect(&m_board, &SimBoard::transmit, m_toPc, &LinePacer::push);
}

SimPty::~SimPty() { unplug(); }

bool SimPty::start(QString* error)
{
    auto fail = [&](const char* what) {
        if (error)
            *error = QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char* name = ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios tio{};
    tcgetattr(m_slave, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&tio, B57600);
    tcsetattr(m_slave, TCSANOW, &tio);

    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SimPty::onReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &SimPty::onWritable);
    return true;
}

bool SimPty::placeLink(const QString& linkPath)
{
    QFile::remove(linkPath);
    if (::symlink(m_slavePath.toLocal8Bit().constData(), linkPath.toLocal8Bit().constData()) != 0)
        return false;
    m_linkPath = linkPath;
    return true;
}

void SimPty::setPeer(std::function<void(const QByteArray&)> peer)
{
    m_peer = std::move(peer);
    disconnect(&m_board, &SimBoard::transmit, m_toPc, &LinePacer::push);
}

void SimPty::send(const QByteArray& bytes) { m_toPc->push(bytes); }

void SimPty::setPaced(bool on)
{
    m_toBoard->setPaced(on);
    m_toPc->setPaced(on);
}

void SimPty::unplug()
{
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_toBoard->clear();
    m_toPc->clear();
    m_outQueue.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
}

void SimPty::onReadable()
{
    char buf[4096];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n > 0)
        m_toBoard->push(QByteArray(buf, n));
    // n <= 0 with EIO: no client has the slave open; our own slave fd prevents that.
}

void SimPty::toClient(const QByteArray& bytes)
{
    m_outQueue.append(bytes);
    onWritable();
}

void SimPty::onWritable()
{
    while (!m_outQueue.isEmpty() && m_master >= 0) {
        const ssize_t n = ::write(m_master, m_outQueue.constData(), size_t(m_outQueue.size()));
        if (n > 0) {
            m_outQueue.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: the client has not read yet
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_outQueue.isEmpty());
}
