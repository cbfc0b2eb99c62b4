#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect WindowPlacement::fitInto(const QRect& wanted, const QRect& available)
{
    if (!available.isValid())
        return wanted;
    const int w = std::min(wanted.width(), available.width());
    const int h = std::min(wanted.height(), available.height());
    const int x = std::clamp(wanted.x(), available.left(), available.left() + available.width() - w);
    const int y = std::clamp(wanted.y(), available.top(), available.top() + available.height() - h);
    return {x, y, w, h};
}

QRect WindowPlacement::availableFor(const QRect& wanted)
{
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(wanted);
        const qint64 area = common.isValid() ? qint64(common.width()) * common.height() : 0;
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best)
        best = QGuiApplication::primaryScreen();
    return best ? best->availableGeometry() : QRect();
}

void WindowPlacement::restore(QWidget& window, QPoint storedPos, QSize storedSize)
{
    m_storedPos = storedPos;
    m_sizeRestored = storedSize.isValid();
    m_storedSize = m_sizeRestored ? storedSize : window.size();
    const QRect wanted(storedPos, m_storedSize);
    const QRect available = availableFor(wanted);
    const QSize fitted = fitInto(wanted, available).size();
    if (fitted != window.size())
        window.resize(fitted);
    // The window may not get as small as the screen (its minimum size): then its top left
    // corner stays in view.
    window.move(fitInto(QRect(storedPos, window.size()), available).topLeft());
    m_placedPos = window.pos();
    m_placedSize = window.size();
    m_restored = true;
}

QPoint WindowPlacement::positionToStore(const QWidget& window) const
{
    return m_restored && window.pos() == m_placedPos ? m_storedPos : window.pos();
}

QSize WindowPlacement::sizeToStore(const QWidget& window) const
{
    return m_restored && m_sizeRestored && window.size() == m_placedSize ? m_storedSize : window.size();
}
