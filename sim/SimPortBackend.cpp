#include "SimPortBackend.h"

#include "LinePacer.h"
#include "SimBoard.h"

#include <cerrno>

SimPortBackend::SimPortBackend(SimBoard* board, QObject* parent) : PortBackend(parent), m_board(board)
{
    if (!m_board) {
        m_board = new SimBoard(this);
        m_ownsBoard = true;
    }
    m_toBoard = new LinePacer(
        [this](const QByteArray& b) {
            if (m_board && m_open)
                m_board->receive(b);
        },
        this);
    m_toPc = new LinePacer([this](const QByteArray& b) { arrive(b); }, this);
}

SimPortBackend::~SimPortBackend() { close(); }

int SimPortBackend::open()
{
    if (m_unplugged)
        return ENOENT;
    m_open = true;
    m_transmit = connect(m_board, &SimBoard::transmit, m_toPc, &LinePacer::push);
    return 0;
}

int SimPortBackend::applySettings(const LineSettings&) { return m_unplugged ? EIO : 0; }

void SimPortBackend::setEventsEnabled(bool on)
{
    m_events = on;
    if (on)
        notify();
}

int SimPortBackend::purge()
{
    if (m_unplugged)
        return EIO;
    m_input.clear();
    m_toBoard->clear();
    m_toPc->clear();
    return 0;
}

void SimPortBackend::close()
{
    disconnect(m_transmit);
    m_open = false;
    m_events = false;
    m_input.clear();
    m_toBoard->clear();
    m_toPc->clear();
}

qint64 SimPortBackend::inputCount()
{
    if (m_unplugged)
        return -EIO;
    return m_input.size();
}

qint64 SimPortBackend::read(char* data, qint64 max)
{
    if (m_unplugged)
        return -EIO;
    const qint64 n = std::min<qint64>(max, m_input.size());
    std::copy_n(m_input.constData(), n, data);
    m_input.remove(0, n);
    if (!m_input.isEmpty())
        notify(); // what is left is reported again, as a tty would
    return n;
}

qint64 SimPortBackend::write(const char* data, qint64 count, int)
{
    if (m_unplugged)
        return -EIO;
    m_toBoard->push(QByteArray(data, count));
    return count;
}

void SimPortBackend::setPaced(bool on)
{
    m_toBoard->setPaced(on);
    m_toPc->setPaced(on);
}

void SimPortBackend::unplug()
{
    m_unplugged = true;
    m_input.clear();
    if (m_open && m_events)
        Q_EMIT lineLost(EIO);
}

void SimPortBackend::arrive(const QByteArray& bytes)
{
    if (!m_open)
        return;
    // A real input queue is finite; the board never sends so much at once.
    m_input.append(bytes);
    notify();
}

void SimPortBackend::notify()
{
    if (m_notifyQueued || !m_events)
        return;
    m_notifyQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_notifyQueued = false;
            if (m_events && m_open && !m_input.isEmpty())
                Q_EMIT readyRead();
        },
        Qt::QueuedConnection);
}
