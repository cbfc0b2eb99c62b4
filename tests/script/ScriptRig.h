#pragma once

#include "AutoSender.h"
#include "MeasurementLog.h"
#include "RecordingLog.h"
#include "ScriptInterpreter.h"
#include "ScriptState.h"
#include "SendList.h"
#include "SendListFile.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTime>

// A measurement log in memory; `failing` makes every write fail as a full disk would.
struct MemoryLog : MeasurementLog {
    bool open = true;
    bool failing = false;
    QString text;

    [[nodiscard]] bool isOpen() const override { return open; }
    void endLine() override { put(QStringLiteral("\r\n")); }
    void write(const QString& t) override { put(t); }
    void put(const QString& t);
};

// The script monitor's core over a link: a list, the run state, a recording window log and
// an in-memory log file, at a fixed time of day and with the "." separator.
struct ScriptCore {
    RecordingLog log;
    MemoryLog file;
    SendList list;
    ScriptState state;
    ScriptInterpreter interpreter;
    QTime now{14, 5, 9};

    explicit ScriptCore(Link& link) : interpreter(link, list, state, log, file)
    {
        interpreter.locale = QLocale::c();
        interpreter.clock = [this] { return now; };
    }
    // Appends a row written as a line of the send-list file.
    int add(const QString& line)
    {
        list.append(SendListFile::parseLine(line));
        return list.size() - 1;
    }
    // Runs one row and returns the log lines it left.
    QStringList run(const QString& line)
    {
        log.clear();
        interpreter.ExecuteRow(add(line));
        return log.text().isEmpty() ? QStringList{} : log.lines();
    }
};

// One tick of the 100 ms timer as the event loop delivers it: the tick, then the row it has
// started, which runs once the tick's handler has returned.
inline void Tick(AutoSender& sender)
{
    sender.timerStart();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}
