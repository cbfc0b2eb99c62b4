#include "WaitCursor.h"

#include "Link.h"

#include <QCursor>
#include <QGuiApplication>

WaitCursor::WaitCursor(Link& link, QObject* parent) : QObject(parent)
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(DelayMs);
    connect(&m_delay, &QTimer::timeout, this, &WaitCursor::show);
    connect(&link, &Link::waitingChanged, this, &WaitCursor::waitingChanged);
}

WaitCursor::~WaitCursor() { restore(); }

void WaitCursor::waitingChanged(bool waiting)
{
    if (waiting) {
        m_delay.start();
    } else {
        m_delay.stop();
        restore();
    }
}

void WaitCursor::show()
{
    if (m_showing)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    m_showing = true;
}

void WaitCursor::restore()
{
    if (!m_showing)
        return;
    QGuiApplication::restoreOverrideCursor();
    m_showing = false;
}
