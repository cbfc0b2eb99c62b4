#include "SimReplay.h"

#include "SimPty.h"

#include <QFile>

namespace {

// The bytes around `at`, in hex, so that a long block names the place that matters.
QByteArray excerpt(const QByteArray& bytes, qsizetype at)
{
    constexpr qsizetype Around = 12;
    const qsizetype from = std::max<qsizetype>(0, at - Around);
    const qsizetype to = std::min(bytes.size(), at + Around + 1);
    QByteArray text = bytes.mid(from, to - from).toHex(' ').toUpper();
    if (from > 0)
        text.prepend("... ");
    if (to < bytes.size())
        text.append(" ...");
    return text.isEmpty() ? QByteArray("nothing") : text;
}

} // namespace

SimReplay::SimReplay(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SimReplay::sendDue);
}

bool SimReplay::load(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    // Read to its end, however it comes: a pipe or /dev/stdin is not there at once.
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    RecordingReader::Recording recording;
    QString why;
    if (!RecordingReader::read(text, recording, &why)) {
        *error = fileName + QStringLiteral(", ") + why;
        return false;
    }
    if (recording.steps.isEmpty()) {
        *error = fileName + QStringLiteral(": no recorded bytes, nothing to play back");
        return false;
    }
    m_steps = recording.steps;
    m_notice.clear();
    if (recording.cutLine > 0)
        m_notice = QStringLiteral("%1, line %2: cut off, played up to line %3")
                       .arg(fileName)
                       .arg(recording.cutLine)
                       .arg(recording.cutLine - 1);
    m_leading = m_steps.first().request.isEmpty();
    return true;
}

void SimReplay::attach(SimPty& pty)
{
    m_pty = &pty;
    pty.setPeer([this](const QByteArray& bytes) { receive(bytes); });
    connect(&pty, &SimPty::clientOpened, this, &SimReplay::playLeading);
    connect(this, &SimReplay::transmit, &pty, &SimPty::send);
}

void SimReplay::start()
{
    m_clock.start();
    m_next = 0;
    m_over = false;
    if (m_leading) {
        m_next = 1;
        m_leadWaits = true;
        if (!m_pty || !m_pty->seesClients())
            playLeading();
    }
    checkFinished();
}

void SimReplay::playLeading()
{
    if (!m_leadWaits)
        return;
    m_leadWaits = false;
    answer(m_steps.first(), m_clock.nsecsElapsed() / 1000);
}

void SimReplay::answer(const Step& step, qint64 fromUs)
{
    for (const LineRecorder::Chunk& chunk : step.answer) {
        // An answer never overtakes the one before it.
        const qint64 due = std::max(fromUs + chunk.us - step.endUs, m_due.isEmpty() ? 0 : m_due.last().us);
        m_due.append({due, chunk.bytes});
    }
    sendDue();
}

void SimReplay::sendDue()
{
    const qint64 now = m_clock.nsecsElapsed() / 1000;
    while (!m_due.isEmpty() && m_due.first().us <= now)
        Q_EMIT transmit(m_due.takeFirst().bytes);
    if (!m_due.isEmpty())
        m_timer.start(int((m_due.first().us - now + 999) / 1000));
    checkFinished();
}

void SimReplay::checkFinished()
{
    if (!m_over && !m_leadWaits && m_due.isEmpty() && m_next == m_steps.size()) {
        m_over = true;
        Q_EMIT finished();
    }
}

void SimReplay::receive(const QByteArray& bytes)
{
    playLeading(); // in case the open went unseen
    for (const char byte : bytes) {
        if (m_next > m_steps.size())
            return; // ended on a difference
        if (m_next == m_steps.size()) {
            m_timer.stop();
            m_due.clear();
            Q_EMIT failed(QStringLiteral("replay: the recording has ended, received %1")
                              .arg(QString::fromLatin1(excerpt(bytes, 0))));
            m_next = m_steps.size() + 1; // silent from now on
            return;
        }
        const Step& step = m_steps[m_next];
        const qsizetype at = m_got.size();
        m_got.append(byte);
        if (step.request[at] != byte) {
            differ(step.request, at);
            return;
        }
        if (m_got.size() == step.request.size()) {
            m_got.clear();
            ++m_next;
            answer(step, m_clock.nsecsElapsed() / 1000);
        }
    }
}

void SimReplay::differ(const QByteArray& recorded, qsizetype at)
{
    m_timer.stop();
    m_due.clear();
    const Step& step = m_steps[m_next];
    Q_EMIT failed(QStringLiteral("replay: request %1 (line %2) differs at byte %3: recorded %4, received %5")
                      .arg(m_next + (m_leading ? 0 : 1))
                      .arg(step.line)
                      .arg(at)
                      .arg(QString::fromLatin1(excerpt(recorded, at)), QString::fromLatin1(excerpt(m_got, at))));
    m_next = m_steps.size() + 1;
}
