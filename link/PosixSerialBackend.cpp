#include "PosixSerialBackend.h"

#include "LinuxBaudRate.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

speed_t standardSpeed(int bps)
{
    switch (bps) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return 0;
    }
}

bool deviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EBADF; }

// Raw bytes in, raw bytes out, and the settings' character frame.
void setFraming(termios& tio, const LineSettings& s)
{
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~CSIZE;
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[static_cast<int>(s.dataBits)];
    tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (s.parity.Bits) {
    case TParityBits::prNone: break;
    case TParityBits::prOdd: tio.c_cflag |= PARENB | PARODD; break;
    case TParityBits::prEven: tio.c_cflag |= PARENB; break;
    case TParityBits::prMark: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case TParityBits::prSpace: tio.c_cflag |= PARENB | CMSPAR; break;
    }
    if (s.parity.Check)
        tio.c_iflag |= INPCK;
    // Linux has no 1.5 stop bits; two is the nearest setting that keeps the receiver in step.
    if (s.stopBits != TStopBits::sbOneStopBit)
        tio.c_cflag |= CSTOPB;
    else
        tio.c_cflag &= ~CSTOPB;
}

bool hardwareFlow(const LineSettings& s)
{
    return s.flow.OutCTSFlow || s.flow.ControlRTS == TRTSFlowControl::rtsHandshake;
}

// The handshake, XON/XOFF, and reads that never wait.
void setFlowControl(termios& tio, const LineSettings& s)
{
    if (hardwareFlow(s))
        tio.c_cflag |= CRTSCTS;
    else
        tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (s.flow.XonXoffOut)
        tio.c_iflag |= IXON;
    if (s.flow.XonXoffIn)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = s.flow.XonChar;
    tio.c_cc[VSTOP] = s.flow.XoffChar;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

} // namespace

PosixSerialBackend::PosixSerialBackend(QString devicePath, QObject* parent)
    : PortBackend(parent),
      m_path(std::move(devicePath))
{}

PosixSerialBackend::~PosixSerialBackend() { close(); }

int PosixSerialBackend::open()
{
    const QByteArray path = m_path.toLocal8Bit();
    m_fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return errno;
    int err = 0;
    if (!isatty(m_fd))
        err = ENOTTY;
    else if (flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        err = errno; // another program has the port
    if (err == 0) {
        m_haveOldSettings = tcgetattr(m_fd, &m_oldSettings) == 0;
        m_latency.request(m_fd);
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        m_notifier->setEnabled(false);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &PosixSerialBackend::onActivated);
        return 0;
    }
    ::close(m_fd);
    m_fd = -1;
    return err;
}

int PosixSerialBackend::applySettings(const LineSettings& s)
{
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
        return errno;
    setFraming(tio, s);
    const bool hardware = hardwareFlow(s);
    setFlowControl(tio, s);

    const speed_t speed = standardSpeed(s.baudRate);
    if (speed != 0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    if (tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return errno;
    if (speed == 0) {
        if (int err = SetLinuxBaudRate(m_fd, s.baudRate))
            return err;
    }
    // DTR and RTS levels; a device without modem lines (a pseudo-terminal) simply has none.
    int dtr = TIOCM_DTR;
    ioctl(m_fd, s.flow.ControlDTR == TDTRFlowControl::dtrDisable ? TIOCMBIC : TIOCMBIS, &dtr);
    if (!hardware) {
        int rts = TIOCM_RTS;
        ioctl(m_fd, s.flow.ControlRTS == TRTSFlowControl::rtsDisable ? TIOCMBIC : TIOCMBIS, &rts);
    }
    return 0;
}

void PosixSerialBackend::setEventsEnabled(bool on)
{
    if (m_notifier)
        m_notifier->setEnabled(on);
}

int PosixSerialBackend::purge()
{
    if (m_fd < 0)
        return EBADF;
    if (tcflush(m_fd, TCIOFLUSH) != 0)
        return errno;
    return 0;
}

void PosixSerialBackend::close()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.reset();
    }
    if (m_fd >= 0) {
        m_latency.restore(m_fd);
        if (m_haveOldSettings)
            tcsetattr(m_fd, TCSANOW, &m_oldSettings);
        flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
    m_haveOldSettings = false;
}

qint64 PosixSerialBackend::inputCount()
{
    int n = 0;
    if (ioctl(m_fd, FIONREAD, &n) != 0)
        return -errno;
    return n;
}

qint64 PosixSerialBackend::read(char* data, qint64 max)
{
    if (max <= 0)
        return 0;
    const ssize_t n = ::read(m_fd, data, static_cast<size_t>(max));
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -errno;
    return n;
}

qint64 PosixSerialBackend::write(const char* data, qint64 count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return -errno;
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return -ETIMEDOUT;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<qint64>(left, 100))) < 0 && errno != EINTR)
            return -errno;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
            return -EIO;
    }
    return done;
}

int PosixSerialBackend::modemStatus()
{
    int lines = 0;
    if (ioctl(m_fd, TIOCMGET, &lines) == 0)
        return 0;
    // A device without modem lines is no error.
    return (errno == ENOTTY || errno == EINVAL) ? 0 : errno;
}

void PosixSerialBackend::onActivated()
{
    int n = 0;
    if (ioctl(m_fd, FIONREAD, &n) != 0) {
        const int err = errno;
        m_notifier->setEnabled(false);
        Q_EMIT lineLost(deviceGone(err) ? err : EIO);
        return;
    }
    if (n > 0) {
        Q_EMIT readyRead();
        return;
    }
    // Readable with nothing waiting: end of file or hang-up. The notifier would fire again and
    // again, so it is switched off before anyone hears of it.
    pollfd p{m_fd, POLLIN, 0};
    ::poll(&p, 1, 0);
    char probe;
    const ssize_t r = ::read(m_fd, &probe, 0);
    if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) || r < 0) {
        m_notifier->setEnabled(false);
        Q_EMIT lineLost(EIO);
    }
}
