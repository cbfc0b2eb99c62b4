#include "LineRecorder.h"

#include <QDateTime>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>

bool LineRecorder::open(const QString& fileName, const QString& portName, int baud)
{
    close();
    m_file.setFileName(fileName);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    m_clock.start();
    m_lastUs = 0;
    m_unwatchedUs = -1;
    m_reading = {};
    const QByteArray heading = "# velmar line recording: port " + portName.toUtf8() + " at " +
                               QByteArray::number(baud) + " bit/s, started " +
                               QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8() +
                               "\n# seconds since the start, out (PC to board) or in (board to PC), the bytes in hex\n";
    if (!writeAll(heading)) {
        m_file.close();
        return false;
    }
    return true;
}

void LineRecorder::close()
{
    settle();
    if (m_file.isOpen())
        m_file.close();
}

void LineRecorder::sent(const char* data, qint64 count)
{
    settle();
    if (count > 0)
        put({m_clock.nsecsElapsed() / 1000, true, QByteArray(data, count)});
}

void LineRecorder::received(const char* data, qint64 count)
{
    if (!m_file.isOpen() || count <= 0)
        return;
    if (m_reading.bytes.isEmpty())
        m_reading.us = m_unwatchedUs >= 0 ? m_unwatchedUs : m_clock.nsecsElapsed() / 1000;
    m_reading.bytes.append(data, count);
    if (m_unwatchedUs >= 0 && (m_unwatchedBytes -= count) <= 0)
        m_unwatchedUs = -1;
}

void LineRecorder::settle()
{
    if (m_reading.bytes.isEmpty())
        return;
    put(m_reading);
    m_reading.bytes.clear();
}

void LineRecorder::unwatched()
{
    settle();
    // Bytes still unread from an earlier pause keep the earlier time.
    if (m_file.isOpen() && m_unwatchedUs < 0)
        m_unwatchedUs = m_clock.nsecsElapsed() / 1000;
}

void LineRecorder::watched(qint64 waiting)
{
    m_unwatchedBytes = waiting;
    if (waiting <= 0)
        m_unwatchedUs = -1;
}

void LineRecorder::put(const Chunk& chunk)
{
    if (!m_file.isOpen())
        return;
    // Lines keep their order in time, whatever the stamp of a chunk that waited.
    m_lastUs = std::max(m_lastUs, chunk.us);
    const QByteArray line = format({m_lastUs, chunk.out, chunk.bytes});
    if (writeAll(line))
        return;
    m_file.close();
    if (onFailure)
        onFailure(m_error);
}

bool LineRecorder::writeAll(const QByteArray& bytes)
{
    // Straight to the file: a write that is cut short keeps its reason ("No space left on
    // device"), which a buffered one loses.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_file.handle(), bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n == 0 || errno != EINTR) {
            m_error = n == 0 ? QStringLiteral("nothing was written") : QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    return true;
}

QByteArray LineRecorder::format(const Chunk& chunk)
{
    QByteArray line = QByteArray::number(chunk.us / 1000000) + '.' +
                      QByteArray::number(chunk.us % 1000000).rightJustified(6, '0') + (chunk.out ? " out " : " in ");
    return line + chunk.bytes.toHex(' ').toUpper() + '\n';
}

bool LineRecorder::parse(const QByteArray& line, Chunk& chunk, QString* error)
{
    const QByteArray text = line.trimmed();
    if (text.isEmpty() || text.startsWith('#'))
        return true;
    auto fail = [&](const char* what) {
        if (error)
            *error = QString::fromLatin1(what);
        return false;
    };
    const QList<QByteArray> fields = text.simplified().split(' ');
    if (fields.size() < 3)
        return fail("a chunk is a time, out or in, and at least one byte");
    const QList<QByteArray> time = fields[0].split('.');
    bool secondsOk = false, fractionOk = true;
    const qint64 seconds = time[0].toLongLong(&secondsOk);
    qint64 us = 0;
    if (time.size() == 2 && !time[1].isEmpty() && time[1].size() <= 6)
        us = time[1].leftJustified(6, '0').toLongLong(&fractionOk);
    else if (time.size() != 1)
        fractionOk = false;
    if (!secondsOk || !fractionOk || seconds < 0 || us < 0)
        return fail("the time is no number of seconds");
    if (seconds > std::numeric_limits<qint64>::max() / 1000000 - 1)
        return fail("the time is too large");
    if (fields[1] != "out" && fields[1] != "in")
        return fail("the direction is neither out nor in");
    QByteArray bytes;
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const QByteArray& f = fields[i];
        const bool digits = f.size() == 2 && std::isxdigit(uchar(f[0])) && std::isxdigit(uchar(f[1]));
        bool ok = false;
        const uint b = f.toUInt(&ok, 16);
        if (!digits || !ok)
            return fail("a byte is not two hex digits");
        bytes.append(char(b));
    }
    chunk = {seconds * 1000000 + us, fields[1] == "out", bytes};
    return true;
}
