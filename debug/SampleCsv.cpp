#include "SampleCsv.h"

#include "SampleRing.h"

#include <QDateTime>
#include <QStringList>

namespace {

QString hexByte(std::uint8_t b)
{
    return QStringLiteral("0x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

template <typename Cells>
QString cellOf(const Cells& cells, std::uint8_t signal)
{
    for (const auto& c : cells)
        if (c.used && c.signal == signal)
            return c.valid ? QString::number(c.value) : QString();
    return {};
}

} // namespace

SampleCsv SampleCsv::forRing(const SampleRing& ring)
{
    QList<Column> bits, words;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const DebugSample& s = ring.at(i);
        for (const auto& b : s.bits)
            if (b.used && !bits.contains(Column{false, b.signal}))
                bits.append(Column{false, b.signal});
        for (const auto& w : s.words)
            if (w.used && !words.contains(Column{true, w.signal}))
                words.append(Column{true, w.signal});
    }
    return SampleCsv(bits + words);
}

QString SampleCsv::header() const
{
    QStringList cells{QStringLiteral("time"), QStringLiteral("status"), QStringLiteral("inputs"),
                      QStringLiteral("buttons"), QStringLiteral("outputs")};
    for (const Column& c : m_columns)
        cells << (c.word ? QStringLiteral("word %1") : QStringLiteral("bit %1")).arg(c.signal);
    return cells.join(QLatin1Char(','));
}

QString SampleCsv::row(const DebugSample& s) const
{
    QStringList cells{timeText(s.ms), statusText(s.status)};
    for (const std::uint8_t b : {s.inputs, s.buttons, s.outputs})
        cells << (s.hasIO ? hexByte(b) : QString());
    for (const Column& c : m_columns)
        cells << (c.word ? cellOf(s.words, c.signal) : cellOf(s.bits, c.signal));
    return cells.join(QLatin1Char(','));
}

QString SampleCsv::statusText(DebugSample::Status status)
{
    switch (status) {
    case DebugSample::Status::Ok: return QStringLiteral("ok");
    case DebugSample::Status::Busy: return QStringLiteral("busy");
    case DebugSample::Status::NoAnswer: return QStringLiteral("no answer");
    case DebugSample::Status::Refused: return QStringLiteral("refused");
    case DebugSample::Status::InvalidAnswer: return QStringLiteral("invalid answer");
    }
    return {};
}

QString SampleCsv::timeText(qint64 msSinceEpoch)
{
    // With the offset, so that rows across a change of daylight saving time stay in order.
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}
