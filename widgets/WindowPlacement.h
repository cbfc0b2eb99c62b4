#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where a window that keeps its place in Settings.ini opens: at the stored place, but moved
// (and if need be made smaller) onto the screen that is there, so that a place stored on a
// larger or another screen never opens it out of reach. What is written back stays the stored
// value for as long as the window is where it was put, so that merely opening a window on a
// small screen does not lose the place it had on the large one.
class WindowPlacement {
public:
    // Moves `window` to `storedPos` and, when `storedSize` is valid, resizes it, both fitted
    // onto the available area of the screen that holds the stored place (else the primary one).
    void restore(QWidget& window, QPoint storedPos, QSize storedSize = {});

    // What to store at close: the stored value while the window is still where restore() put
    // it (or restore() was never called: then where it is), else where the user moved it.
    [[nodiscard]] QPoint positionToStore(const QWidget& window) const;
    [[nodiscard]] QSize sizeToStore(const QWidget& window) const;

    // `wanted` moved into `available`, made no larger than it; a rect that already lies inside
    // comes back as it is.
    [[nodiscard]] static QRect fitInto(const QRect& wanted, const QRect& available);
    // The available area of the screen that holds most of `wanted` (the primary screen when
    // none does); an empty rect without any screen.
    [[nodiscard]] static QRect availableFor(const QRect& wanted);

private:
    bool m_restored = false;
    bool m_sizeRestored = false;
    QPoint m_storedPos;
    QPoint m_placedPos;
    QSize m_storedSize;
    QSize m_placedSize;
};
