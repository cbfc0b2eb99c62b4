#pragma once

#include "RecordingLog.h"
#include "StepReporter.h"
#include "StubRig.h"

#include <QByteArray>
#include <QList>
#include <QTimer>
#include <functional>

// A board that answers each request written to the stub port with what `answer` makes of it
// (the request without its CR; an empty answer leaves it unanswered). For answers the
// simulated board would never give.
struct ScriptedBoard {
    using Answer = std::function<QByteArray(const QByteArray& request)>;

    StubRig rig;
    RecordingLog log;
    StepReporter steps{rig.link, log};
    QList<QByteArray> requests;

    explicit ScriptedBoard(Answer answer) : m_answer(std::move(answer))
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { serve(); });
        m_timer.start();
    }
    // Answers the given lines in turn, one per request; later requests stay unanswered.
    explicit ScriptedBoard(const QList<QByteArray>& answers)
        : ScriptedBoard([answers, n = qsizetype(0)](const QByteArray&) mutable { return answers.value(n++); })
    {}

private:
    void serve()
    {
        QByteArray& written = rig.stub->written;
        qsizetype end;
        while ((end = written.indexOf('\r', m_seen)) >= 0) {
            const QByteArray request = written.mid(m_seen, end - m_seen);
            m_seen = end + 1;
            requests.append(request);
            const QByteArray a = m_answer(request);
            if (!a.isEmpty())
                rig.stub->feed(a);
        }
    }

    Answer m_answer;
    QTimer m_timer;
    qsizetype m_seen = 0;
};
