#pragma once

#include <QObject>
#include <QTimer>

class Link;

// Shows the busy cursor while a wait of the link lasts longer than a moment; a short wait
// leaves the cursor alone, so that a poll or a quick answer does not make it flicker.
class WaitCursor : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayMs = 300;

    explicit WaitCursor(Link& link, QObject* parent = nullptr);
    ~WaitCursor() override;

    // The busy cursor is shown now.
    [[nodiscard]] bool showing() const { return m_showing; }

private:
    void waitingChanged(bool waiting);
    void show();
    void restore();

    QTimer m_delay;
    bool m_showing = false;
};
