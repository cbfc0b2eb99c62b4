#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

// A small strip chart: a few series over a span of time that ends at a given moment. Series of
// values share one scale in the upper part; each 1-bit series has a lane of its own below. One
// colour per series, named in a legend; a vertical line and a readout follow the mouse.
class StripChart : public QWidget {
    Q_OBJECT
public:
    struct Point {
        qint64 ms = 0;
        double value = 0;
        bool valid = true; // false: no value at this time, a gap in the line
    };
    struct Series {
        QString name;
        bool digital = false; // 0 or 1, drawn in a lane of its own
        QList<Point> points;  // in time order
    };

    explicit StripChart(QWidget* parent = nullptr);

    void setSpanMs(qint64 ms);
    [[nodiscard]] qint64 spanMs() const { return m_spanMs; }
    // The series, and the time of the chart's right edge.
    void setData(QList<Series> series, qint64 endMs);
    [[nodiscard]] const QList<Series>& series() const { return m_series; }
    [[nodiscard]] qint64 endMs() const { return m_endMs; }

    [[nodiscard]] static QColor colour(int index);
    // The time at x, clamped to the span.
    [[nodiscard]] qint64 timeAt(int x) const;
    // The time at x and each series' last value at or before it:
    // "12:00:01.300  word 10 = 4660  bit 3 = 1" ("-" where a series had none).
    [[nodiscard]] QString readoutAt(int x) const;
    // The area the lines are drawn in.
    [[nodiscard]] QRect plotRect() const;

Q_SIGNALS:
    // The readout under the mouse; empty when the mouse left the chart.
    void readout(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void paintLegend(QPainter& p) const;
    void paintValues(QPainter& p, const QRect& area) const;
    void paintLanes(QPainter& p, const QRect& area) const;
    [[nodiscard]] double xOf(qint64 ms, const QRect& area) const;
    [[nodiscard]] int digitalCount() const;

    QList<Series> m_series;
    qint64 m_spanMs = 60000;
    qint64 m_endMs = 0;
    int m_mouseX = -1;
};
