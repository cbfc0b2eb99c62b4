#include "LineRecordAction.h"

#include "Prompts.h"
#include "RichLog.h"
#include "TCustomComPort.h"

LineRecordAction::LineRecordAction(TCustomComPort& port, RichLog& log, QWidget* dialogParent)
    : QAction(QStringLiteral("record line…"), &log),
      m_port(&port),
      m_log(log),
      m_parent(dialogParent)
{
    setCheckable(true);
    connect(this, &QAction::triggered, this, &LineRecordAction::choose);
    m_recorder.onFailure = [this](const QString& error) {
        setChecked(false);
        if (m_port)
            m_port->SetRecorder(nullptr);
        notice(QStringLiteral("line recording \"") + m_fileName + QStringLiteral("\" stopped: ") + error);
    };
}

LineRecordAction::~LineRecordAction()
{
    // The log may be going away with this entry: the recording ends without a notice.
    if (m_port && m_port->Recorder() == &m_recorder)
        m_port->SetRecorder(nullptr);
    m_recorder.close();
}

void LineRecordAction::notice(const QString& text)
{
    const LogColor before = m_log.color();
    m_log.setColor(LogColors::Yellow);
    m_log.addLine(text);
    m_log.setColor(before);
}

bool LineRecordAction::start(const QString& fileName)
{
    stop();
    m_fileName = fileName;
    const bool ok = m_port && m_recorder.open(fileName, m_port->Port(), m_port->lineSettings().baudRate);
    setChecked(ok);
    if (!ok) {
        notice(QStringLiteral("line recording \"") + fileName + QStringLiteral("\" cannot be written: ") +
               m_recorder.errorString());
        return false;
    }
    m_port->SetRecorder(&m_recorder);
    notice(QStringLiteral("recording the line into \"") + fileName + QLatin1Char('"'));
    return true;
}

void LineRecordAction::stop()
{
    if (m_port && m_port->Recorder() == &m_recorder)
        m_port->SetRecorder(nullptr);
    setChecked(false);
    if (!m_recorder.isOpen())
        return;
    m_recorder.close();
    notice(QStringLiteral("line recording \"") + m_fileName + QStringLiteral("\" ended"));
}

void LineRecordAction::choose(bool on)
{
    if (!on) {
        stop();
        return;
    }
    // The entry stays unticked until a file is chosen and open.
    setChecked(false);
    const QString chosen = Prompts::saveFile(m_parent, m_fileName.isEmpty() ? QStringLiteral("line.txt") : m_fileName,
                                             QStringLiteral("Text (*.txt)|*.txt|all files (*)|*"),
                                             QStringLiteral("*.txt"), QStringLiteral("record line"));
    if (!chosen.isEmpty())
        start(chosen);
}
