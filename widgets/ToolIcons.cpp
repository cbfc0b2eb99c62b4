#include "ToolIcons.h"

#include <QPainter>
#include <QPixmap>

namespace {

void drawScript(QPainter& p)
{
    p.setBrush(QColor(250, 245, 220));
    p.drawRect(QRectF(5, 3, 22, 26));
    for (int y = 9; y <= 24; y += 5)
        p.drawLine(QPointF(9, y), QPointF(23, y));
    p.setBrush(QColor(40, 160, 60));
    p.drawEllipse(QRectF(18, 18, 11, 11));
}

void drawDebug(QPainter& p)
{
    const QColor lamps[] = {QColor(0, 220, 0), QColor(230, 0, 0), QColor(0, 220, 0), QColor(230, 0, 0)};
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(2, 6, 28, 20), 3, 3);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(lamps[i]);
        p.drawEllipse(QRectF(5 + i * 6.3, 12, 5, 8));
    }
}

void drawSettings(QPainter& p)
{
    p.setBrush(QColor(150, 160, 180));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(16, 16);
        p.rotate(i * 45);
        p.drawRect(QRectF(-2.5, -14, 5, 6));
        p.restore();
    }
    p.drawEllipse(QRectF(6, 6, 20, 20));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(12, 12, 8, 8));
}

// A chip with an arrow into it: firmware (blue) or AWL program (green).
void drawChip(QPainter& p, bool awl)
{
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(8, 14, 16, 14));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(10 + i * 4, 28), QPointF(10 + i * 4, 31));
        p.drawLine(QPointF(10 + i * 4, 11), QPointF(10 + i * 4, 14));
    }
    const QColor arrow = awl ? QColor(20, 150, 40) : QColor(30, 90, 200);
    p.setPen(QPen(arrow, 3));
    p.drawLine(QPointF(16, 1), QPointF(16, 9));
    p.setBrush(arrow);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(10, 7), QPointF(22, 7), QPointF(16, 13)}));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(8, 14, 16, 14), Qt::AlignCenter, awl ? QStringLiteral("AWL") : QStringLiteral("FW"));
}

} // namespace

QIcon ToolIcon(const QString& kind)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(30, 40, 90);
    p.setPen(QPen(ink, 1.5));
    if (kind == QLatin1String("script"))
        drawScript(p);
    else if (kind == QLatin1String("debug"))
        drawDebug(p);
    else if (kind == QLatin1String("settings"))
        drawSettings(p);
    else
        drawChip(p, kind == QLatin1String("awl"));
    p.end();
    return QIcon(pm);
}
