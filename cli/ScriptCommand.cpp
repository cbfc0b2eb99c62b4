#include "ScriptCommand.h"

#include "AutoSender.h"
#include "CliApplication.h"
#include "Console.h"
#include "EConvertError.h"
#include "EInOutError.h"
#include "Invocation.h"
#include "MeasurementLogFile.h"
#include "ScriptInterpreter.h"
#include "ScriptState.h"
#include "SendList.h"
#include "SendListFile.h"
#include "Session.h"

#include <QEventLoop>
#include <QTimer>

std::optional<Outcome> ScriptCommand::open(SendList& list, MeasurementLogFile& logFile)
{
    try {
        SendListFile::load(inv().arg(0), list);
    } catch (const VelmarError& e) {
        return usage(e.message());
    }
    if (list.empty())
        return usage(inv().arg(0) + QStringLiteral(" holds no rows"));
    if (auto failed = openPort())
        return failed;
    if (!inv().value("log").isEmpty()) {
        try {
            logFile.open(inv().value("log"));
        } catch (const EInOutError& e) {
            return usage(e.message());
        }
    }
    return std::nullopt;
}

Outcome ScriptCommand::run()
{
    SendList list;
    MeasurementLogFile logFile;
    if (auto failed = open(list, logFile))
        return *failed;
    // The script monitor logs in yellow.
    LogSink& log = m_session.log();
    log.setColor(LogColors::Yellow);
    ScriptState state;
    ScriptInterpreter interpreter(link(), list, state, log, logFile);
    interpreter.TelegramInfo = inv().has("info");
    interpreter.DebugTelegram = inv().echo;
    AutoSender autoSend(state, list, interpreter, link(), log);

    QEventLoop loop;
    std::optional<Outcome> ended;
    int faultRow = -1;
    QString faultCommand;
    autoSend.rowFinished = [&](int row) {
        if (state.FaultFlag && faultRow < 0) {
            faultRow = row;
            faultCommand = list.at(row).CMD;
        }
        // One pass ends with the last row.
        if (!inv().has("loop") && row == list.size() - 1)
            autoSend.stop();
    };
    // A row runs from the event loop: an error that ends it (the log file, the port) stops
    // the run and comes here.
    std::exception_ptr rowError;
    autoSend.rowFailed = [&](std::exception_ptr error) {
        if (!rowError)
            rowError = error;
    };
    autoSend.runningChanged = [&](bool running) {
        if (!running)
            loop.quit();
    };
    QTimer tick;
    tick.setInterval(100);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] { autoSend.timerStart(); });
    // A signal stops the run: a row under way ends with the port closed.
    QObject::connect(&m_session, &Session::stopping, [&] { autoSend.stop(); });
    autoSend.start();
    tick.start();
    runUntilStopped(loop);
    tick.stop();
    autoSend.stop();
    if (const std::exception_ptr error = rowError ? rowError : CliApplication::takeEscaped())
        ended = Session::outcomeOf(error, m_session, job());

    return judge(interpreter.telegramsSent(), interpreter.telegramsUnanswered(), faultRow, faultCommand, ended);
}

Outcome ScriptCommand::judge(std::uint64_t sent, std::uint64_t unanswered, int faultRow, const QString& faultCommand,
                             const std::optional<Outcome>& ended) const
{
    if (auto end = runEnded(ended, sent > 0 && unanswered == sent))
        return *end;
    if (faultRow >= 0)
        return Outcome::fail(
            ExitCode::BoardFailure,
            QStringLiteral("%1: row %2 (%3) failed, see the log").arg(job()).arg(faultRow + 1).arg(faultCommand));
    return Outcome::success();
}

QStringList ScriptCommand::files() const { return {inv().arg(0), inv().value("log")}; }
