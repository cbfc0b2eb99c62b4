#include "AutoSender.h"

#include "Link.h"
#include "LogSink.h"
#include "ScriptInterpreter.h"
#include "ScriptState.h"
#include "SendList.h"
#include "TCustomComPort.h"

AutoSender::AutoSender(ScriptState& state, SendList& list, ScriptInterpreter& interpreter, Link& link, LogSink& log)
    : m_state(state),
      m_list(list),
      m_interpreter(interpreter),
      m_link(link),
      m_log(log)
{
    m_interpreter.stopAutoSend = [this] { stop(); };
    // A board that is gone ends the run; the port itself says so once.
    m_lineLost = QObject::connect(&m_link.port(), &TCustomComPort::LineLost, [this](const QString&) { stop(); });
}

AutoSender::~AutoSender()
{
    QObject::disconnect(m_lineLost);
    m_interpreter.stopAutoSend = nullptr;
    if (m_rowDue)
        m_state.Busy = false;
}

bool AutoSender::running() const { return m_state.AutoSend; }

void AutoSender::start()
{
    m_state.AutoSend = true;
    m_state.RowIndex = 0;
    m_state.DelayTicks = 0;
    m_state.FaultFlag = false;
    ++m_runs;
    if (runningChanged)
        runningChanged(true);
}

void AutoSender::stop()
{
    m_state.AutoSend = false;
    if (runningChanged)
        runningChanged(false);
}

void AutoSender::btSendenClick()
{
    if (m_state.AutoSend)
        stop();
    else
        start();
}

void AutoSender::timerStart()
{
    if (!m_state.AutoSend)
        return;
    if (m_state.DelayTicks > 0)
        --m_state.DelayTicks;
    if (m_state.DelayTicks != 0 || m_state.Busy)
        return;
    // Inside the main window's exchange or a download: the next tick tries again.
    if (m_link.busy())
        return;
    if (m_list.empty()) {
        stop();
        return;
    }
    // The list may have become shorter since the index was set.
    if (m_state.RowIndex >= m_list.size())
        m_state.RowIndex = 0;
    const int index = m_state.RowIndex;
    m_state.DelayTicks = m_list.at(index).givenDelay();
    // Busy from here, so that the ticks in between only count.
    m_state.Busy = true;
    m_rowDue = true;
    QMetaObject::invokeMethod(
        &m_context, [this, index, run = m_runs] { runRow(index, run); }, Qt::QueuedConnection);
}

void AutoSender::runRow(int index, std::uint64_t run)
{
    m_rowDue = false;
    m_state.Busy = false; // the interpreter holds it for the row itself
    // Stopped, or started anew, before the row began: it does not run (row 0 is next then).
    if (run != m_runs || !m_state.AutoSend)
        return;
    // Reached inside someone else's exchange (a download started by the main window's timer):
    // the row has not begun, and the next tick starts it again.
    if (m_link.busy()) {
        m_state.DelayTicks = 0;
        return;
    }
    // Once per row that starts, not for a start that had to wait.
    if (m_interpreter.TelegramInfo)
        m_log.addLine(QStringLiteral("Timer Zeile: ") + QString::number(index));
    if (rowStarting)
        rowStarting(index);
    try {
        m_interpreter.ExecuteRow(index);
    } catch (...) {
        // Shown once; running on would show it again every tick.
        stop();
        if (!rowFailed)
            throw;
        rowFailed(std::current_exception());
        return;
    }
    if (rowFinished)
        rowFinished(index);
    if (run != m_runs)
        return; // started anew while the row ran: row 0 is next
    ++m_state.RowIndex;
    if (m_state.RowIndex >= m_list.size())
        m_state.RowIndex = 0;
}
