#include "SimPty.h"

#include "FileKind.h"
#include "LinePacer.h"
#include "SimBoard.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

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
    connect(m_toBoard, &LinePacer::delivered, this, &SimPty::updateReading);
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
    // Our own open above is not among those seen.
    m_opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_opens >= 0 && inotify_add_watch(m_opens, QFile::encodeName(m_slavePath).constData(), IN_OPEN) >= 0) {
        m_openNotifier = std::make_unique<QSocketNotifier>(m_opens, QSocketNotifier::Read);
        connect(m_openNotifier.get(), &QSocketNotifier::activated, this, &SimPty::onOpened);
    } else if (m_opens >= 0) {
        ::close(m_opens);
        m_opens = -1;
    }
    return true;
}

bool SimPty::placeLink(const QString& linkPath, QString* error)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            *error = QStringLiteral("%1 is %2, not a symbolic link: left as it is").arg(linkPath, fileKindText(st.st_mode));
            return false;
        }
        if (::unlink(path.constData()) != 0) {
            *error = linkPath + QStringLiteral(": ") + systemError();
            return false;
        }
    } else if (errno != ENOENT) {
        *error = linkPath + QStringLiteral(": ") + systemError();
        return false;
    }
    if (::symlink(QFile::encodeName(m_slavePath).constData(), path.constData()) != 0) {
        *error = linkPath + QStringLiteral(": ") + systemError();
        return false;
    }
    m_linkPath = linkPath;
    return true;
}

void SimPty::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Only while it is still the link placed here: what someone put there since stays.
    const QByteArray path = QFile::encodeName(m_linkPath);
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target);
    if (n > 0 && QByteArray(target, n) == QFile::encodeName(m_slavePath))
        ::unlink(path.constData());
    m_linkPath.clear();
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
    m_openNotifier.reset();
    if (m_opens >= 0)
        ::close(m_opens);
    m_opens = -1;
    m_toBoard->clear();
    m_toPc->clear();
    m_outQueue.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    removeLink();
}

void SimPty::updateReading()
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(m_toBoard->pending() < ReadAhead &&
                                   m_toPc->pending() + m_outQueue.size() < MaxOutputBacklog);
}

void SimPty::onReadable()
{
    char buf[4096];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n > 0)
        m_toBoard->push(QByteArray(buf, n));
    // n <= 0 with EIO: no client has the slave open; our own slave fd prevents that.
    updateReading();
}

void SimPty::onOpened()
{
    alignas(inotify_event) char events[4096];
    bool opened = false;
    while (::read(m_opens, events, sizeof events) > 0)
        opened = true;
    if (opened)
        Q_EMIT clientOpened();
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
    updateReading();
}
