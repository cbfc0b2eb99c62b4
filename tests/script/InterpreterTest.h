#pragma once

#include "ScriptRig.h"
#include "SimRig.h"
#include "StubRig.h"

#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using Lines = QStringList;

// The script core on the simulated board, which stands still.
struct OnSim : ::testing::Test {
    SimRig rig;
    ScriptCore core{rig.link};
    qsizetype mark = 0;

    OnSim() { rig.board.animate = false; }
    SimBoard& board() { return rig.board; }
    // Runs a row and returns the telegrams it sent.
    QList<QByteArray> sends(const QString& line)
    {
        mark = board().telegramLog().size();
        core.run(line);
        return board().telegramLog().mid(mark);
    }
    Lines run(const QString& line) { return core.run(line); }
    void info(bool on) { core.interpreter.TelegramInfo = on; }
};

// Answers the n-th request written to the stub with answers[n], from the event loop once it
// is written.
struct Scripted : ::testing::Test {
    StubRig rig;
    ScriptCore core{rig.link};
    QList<QByteArray> answers;
    qsizetype answered = 0;
    QTimer due;

    Scripted()
    {
        due.setSingleShot(true);
        due.setInterval(0);
        QObject::connect(&due, &QTimer::timeout, [this] { answerWritten(); });
        rig.stub->onWrite = [this](const QByteArray&) { due.start(); };
    }
    void answerWritten()
    {
        const qsizetype requests = rig.stub->written.count('\r');
        while (answered < requests && answered < answers.size())
            rig.stub->feed(answers[answered++]);
    }
    Lines run(const QString& line, QList<QByteArray> script)
    {
        answers = std::move(script);
        answered = 0;
        rig.stub->written.clear();
        return core.run(line);
    }
    QByteArray written() const { return rig.stub->written; }
    // Runs `row`; `meanwhile` changes the list while its telegram waits, then `answer` comes.
    void runWhileTheListChanges(int row, const std::function<void()>& meanwhile, const QByteArray& answer)
    {
        QTimer::singleShot(0, [this, meanwhile, answer] {
            meanwhile();
            answers = {answer};
            answerWritten();
        });
        answered = 0;
        core.interpreter.ExecuteRow(row);
    }
};
