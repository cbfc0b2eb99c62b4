#include "TerminalExtras.h"

#include "Prompts.h"
#include "RichLog.h"

#include <QAction>
#include <QMenu>
#include <QSaveFile>
#include <memory>

namespace {

const QString TextFilter = QStringLiteral("Text (*.txt)|*.txt|all files (*.*)|*.*");

} // namespace

TerminalExtras::TerminalExtras(RichLog& log, QWidget* dialogParent) : QObject(&log), m_log(log), m_parent(dialogParent)
{
    TimeStampsAction = new QAction(QStringLiteral("time stamps"), this);
    TimeStampsAction->setCheckable(true);
    connect(TimeStampsAction, &QAction::toggled, this, [this](bool on) { m_log.setTimeStamps(on); });
    LogToFileAction = new QAction(QStringLiteral("log to file…"), this);
    LogToFileAction->setCheckable(true);
    connect(LogToFileAction, &QAction::triggered, this, &TerminalExtras::chooseLogFile);
    SaveAsAction = new QAction(QStringLiteral("save as…"), this);
    connect(SaveAsAction, &QAction::triggered, this, &TerminalExtras::chooseSaveFile);

    connect(&m_log, &RichLog::shown, this, [this](const QString& text) {
        if (!m_file.write(text))
            loggingFailed();
    });
    connect(&m_log, &RichLog::shownAbove, this, [this](const QString& line) {
        if (!m_file.writeLine(line))
            loggingFailed();
    });
    m_log.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_log, &QWidget::customContextMenuRequested, this, &TerminalExtras::showMenu);
}

void TerminalExtras::setTimeStamps(bool on) { TimeStampsAction->setChecked(on); }

bool TerminalExtras::timeStamps() const { return m_log.timeStamps(); }

void TerminalExtras::notice(const QString& text)
{
    const LogColor before = m_log.color();
    m_log.setColor(LogColors::Yellow);
    m_log.addLine(text);
    m_log.setColor(before);
}

bool TerminalExtras::startLogging(const QString& fileName)
{
    m_logFileName = fileName;
    const bool ok = m_file.open(fileName);
    LogToFileAction->setChecked(ok);
    if (!ok)
        notice(QStringLiteral("log file \"") + fileName + QStringLiteral("\" cannot be opened: ") +
               m_file.errorString());
    return ok;
}

void TerminalExtras::stopLogging()
{
    m_file.close();
    LogToFileAction->setChecked(false);
}

void TerminalExtras::loggingFailed()
{
    // The file is closed by now, so the notice is not logged into it again.
    LogToFileAction->setChecked(false);
    notice(QStringLiteral("log file \"") + m_logFileName + QStringLiteral("\" stopped: ") + m_file.errorString());
}

void TerminalExtras::chooseLogFile(bool on)
{
    if (!on) {
        stopLogging();
        return;
    }
    // The box stays unticked until a file is chosen and open.
    LogToFileAction->setChecked(false);
    const QString chosen =
        Prompts::saveFile(m_parent, m_logFileName.isEmpty() ? QStringLiteral("terminal.txt") : m_logFileName,
                          TextFilter, QStringLiteral("*.txt"), QStringLiteral("log to file"));
    if (!chosen.isEmpty())
        startLogging(chosen);
}

bool TerminalExtras::saveAs(const QString& fileName)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QByteArray text = m_log.plainText().toUtf8();
        if (!text.isEmpty())
            text += '\n';
        if (file.write(text) == text.size() && file.commit()) {
            notice(QStringLiteral("saved to \"") + fileName + QLatin1Char('"'));
            return true;
        }
    }
    notice(QStringLiteral("cannot save \"") + fileName + QStringLiteral("\": ") + file.errorString());
    return false;
}

void TerminalExtras::chooseSaveFile()
{
    const QString chosen = Prompts::saveFile(m_parent, QStringLiteral("terminal.txt"), TextFilter,
                                             QStringLiteral("*.txt"), QStringLiteral("save as"));
    if (!chosen.isEmpty())
        saveAs(chosen);
}

void TerminalExtras::showMenu(const QPoint& pos)
{
    std::unique_ptr<QMenu> menu(m_log.createStandardContextMenu(pos));
    menu->addSeparator();
    menu->addAction(TimeStampsAction);
    menu->addAction(LogToFileAction);
    menu->addAction(SaveAsAction);
    menu->addActions(m_entries);
    menu->exec(m_log.viewport()->mapToGlobal(pos));
}
