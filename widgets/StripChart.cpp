#include "StripChart.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

constexpr int LegendHeight = 20;
constexpr int LeftMargin = 52;
constexpr int RightMargin = 8;
constexpr int BottomMargin = 18;
constexpr int LaneHeight = 18;
const QColor Grid(60, 60, 60);
const QColor Text(220, 220, 220);

// Last point at or before `ms`; nullptr when there is none.
const StripChart::Point* pointAt(const StripChart::Series& s, qint64 ms)
{
    const auto it = std::upper_bound(s.points.begin(), s.points.end(), ms,
                                     [](qint64 t, const StripChart::Point& p) { return t < p.ms; });
    return it == s.points.begin() ? nullptr : &*(it - 1);
}

} // namespace

StripChart::StripChart(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumSize(240, 120);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
}

QColor StripChart::colour(int index)
{
    // Ten colours that stand apart on black.
    static const QColor colours[] = {{255, 215, 0},   {0, 200, 255},   {255, 90, 90}, {120, 255, 120}, {255, 140, 0},
                                     {200, 120, 255}, {255, 255, 255}, {0, 255, 200}, {255, 105, 180}, {170, 170, 255}};
    return colours[std::size_t(index) % std::size(colours)];
}

void StripChart::setSpanMs(qint64 ms)
{
    m_spanMs = std::max<qint64>(1, ms);
    update();
}

void StripChart::setData(QList<Series> series, qint64 endMs)
{
    m_series = std::move(series);
    m_endMs = endMs;
    update();
    if (m_mouseX >= 0)
        Q_EMIT readout(readoutAt(m_mouseX));
}

QRect StripChart::plotRect() const
{
    return QRect(LeftMargin, LegendHeight, std::max(1, width() - LeftMargin - RightMargin),
                 std::max(1, height() - LegendHeight - BottomMargin));
}

int StripChart::digitalCount() const
{
    return int(std::count_if(m_series.begin(), m_series.end(), [](const Series& s) { return s.digital; }));
}

double StripChart::xOf(qint64 ms, const QRect& area) const
{
    return area.left() + double(ms - (m_endMs - m_spanMs)) * area.width() / double(m_spanMs);
}

qint64 StripChart::timeAt(int x) const
{
    const QRect area = plotRect();
    const int cx = std::clamp(x, area.left(), area.right());
    return m_endMs - m_spanMs + qint64(double(cx - area.left()) * double(m_spanMs) / area.width());
}

QString StripChart::readoutAt(int x) const
{
    const qint64 t = timeAt(x);
    QString text = QDateTime::fromMSecsSinceEpoch(t).toString(QStringLiteral("HH:mm:ss.zzz"));
    for (const Series& s : m_series) {
        const Point* p = pointAt(s, t);
        text += QStringLiteral("  ") + s.name + QStringLiteral(" = ") +
                (p && p->valid ? QString::number(p->value, 'g', 10) : QStringLiteral("-"));
    }
    return text;
}

void StripChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect area = plotRect();
    p.setPen(Grid);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    // A line every ten seconds, counted back from the right edge.
    p.setPen(Text);
    for (qint64 back = 0; back <= m_spanMs; back += 10000) {
        const int x = int(xOf(m_endMs - back, area));
        p.setPen(Grid);
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(Text);
        const QString label = back == 0 ? QStringLiteral("0") : QStringLiteral("-%1 s").arg(back / 1000);
        p.drawText(QRect(x - 30, area.bottom() + 2, 60, BottomMargin - 2), Qt::AlignHCenter | Qt::AlignTop, label);
    }
    const int lanes = digitalCount();
    const bool values = lanes < m_series.size();
    const int laneSpace = values ? std::min(lanes * LaneHeight, area.height() / 2) : area.height();
    const QRect laneArea(area.left(), area.bottom() + 1 - laneSpace, area.width(), laneSpace);
    if (values)
        paintValues(p, QRect(area.left(), area.top(), area.width(), area.height() - laneSpace));
    if (lanes > 0)
        paintLanes(p, laneArea);
    paintLegend(p);
    if (m_mouseX >= area.left() && m_mouseX <= area.right()) {
        p.setPen(QPen(Text, 1, Qt::DashLine));
        p.drawLine(m_mouseX, area.top(), m_mouseX, area.bottom());
    }
}

void StripChart::paintLegend(QPainter& p) const
{
    int x = LeftMargin;
    const QFontMetrics fm = p.fontMetrics();
    for (int i = 0; i < m_series.size(); ++i) {
        p.fillRect(x, 6, 10, 10, colour(i));
        p.setPen(Text);
        p.drawText(x + 14, 2, fm.horizontalAdvance(m_series[i].name) + 2, LegendHeight - 4, Qt::AlignVCenter,
                   m_series[i].name);
        x += 14 + fm.horizontalAdvance(m_series[i].name) + 14;
    }
}

void StripChart::paintValues(QPainter& p, const QRect& area) const
{
    double low = 0, high = 0;
    bool any = false;
    for (const Series& s : m_series)
        for (const Point& pt : s.points)
            if (!s.digital && pt.valid) {
                low = any ? std::min(low, pt.value) : pt.value;
                high = any ? std::max(high, pt.value) : pt.value;
                any = true;
            }
    if (high - low < 1) {
        low -= 1;
        high += 1;
    }
    const auto yOf = [&](double v) { return area.bottom() - (v - low) * (area.height() - 8) / (high - low) - 4; };
    p.setPen(Text);
    p.drawText(QRect(0, area.top(), LeftMargin - 4, 16), Qt::AlignRight | Qt::AlignTop, QString::number(high));
    p.drawText(QRect(0, area.bottom() - 16, LeftMargin - 4, 16), Qt::AlignRight | Qt::AlignBottom,
               QString::number(low));
    p.save();
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < m_series.size(); ++i) {
        if (m_series[i].digital)
            continue;
        QPainterPath path;
        bool drawing = false;
        for (const Point& pt : m_series[i].points) {
            if (!pt.valid) {
                drawing = false;
                continue;
            }
            const QPointF at(xOf(pt.ms, area), yOf(pt.value));
            drawing ? path.lineTo(at) : path.moveTo(at);
            drawing = true;
        }
        p.setPen(QPen(colour(i), 1.5));
        p.drawPath(path);
    }
    p.restore();
}

void StripChart::paintLanes(QPainter& p, const QRect& area) const
{
    const int lanes = digitalCount();
    const double h = double(area.height()) / lanes;
    int lane = 0;
    p.save();
    p.setClipRect(area);
    for (int i = 0; i < m_series.size(); ++i) {
        if (!m_series[i].digital)
            continue;
        const double top = area.top() + lane * h;
        p.setPen(Grid);
        p.drawLine(QPointF(area.left(), top), QPointF(area.right(), top));
        const auto yOf = [&](double v) { return top + h - 3 - (v ? h - 6 : 0); };
        // Each value holds until the next: steps, with a gap where there was none.
        QPainterPath path;
        bool drawing = false;
        double lastY = 0;
        for (const Point& pt : m_series[i].points) {
            if (!pt.valid) {
                drawing = false;
                continue;
            }
            const double x = xOf(pt.ms, area), y = yOf(pt.value);
            if (drawing) {
                path.lineTo(x, lastY);
                path.lineTo(x, y);
            } else {
                path.moveTo(x, y);
            }
            lastY = y;
            drawing = true;
        }
        p.setPen(QPen(colour(i), 1.5));
        p.drawPath(path);
        ++lane;
    }
    p.restore();
}

void StripChart::mouseMoveEvent(QMouseEvent* event)
{
    m_mouseX = int(event->position().x());
    update();
    Q_EMIT readout(readoutAt(m_mouseX));
}

void StripChart::leaveEvent(QEvent*)
{
    m_mouseX = -1;
    update();
    Q_EMIT readout(QString());
}
