#pragma once

#include "StepReporter.h"

#include <QString>
#include <QStringList>
#include <QTimer>

// A user who clicks a button of the same dialog every few milliseconds while an operation
// runs: each click asks the step reports whether it may start, and is refused while the line
// is busy.
class ImpatientClicks {
public:
    explicit ImpatientClicks(StepReporter& steps, int intervalMs = 7)
    {
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this, &steps] {
            if (steps.refuseIfBusy(QStringLiteral("read")))
                ++m_refused;
        });
        m_timer.start();
    }

    [[nodiscard]] int refused() const { return m_refused; }

    // `lines` without the refusal notices, which must each stand on a line of their own.
    static QStringList withoutNotices(const QStringList& lines)
    {
        QStringList rest;
        for (const QString& line : lines)
            if (line != QStringLiteral("busy, please wait"))
                rest << line;
        return rest;
    }

private:
    QTimer m_timer;
    int m_refused = 0;
};
