#pragma once

#include "TerminalLogFile.h"

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QPoint;
class RichLog;
class QWidget;

// The terminal's context menu beside copying: "time stamps" on the lines from the board,
// "log to file…" (a copy of everything shown, line by line) and "save as…" (the whole log at
// once). All are off until chosen; the owner stores their state.
class TerminalExtras : public QObject {
    Q_OBJECT
public:
    explicit TerminalExtras(RichLog& log, QWidget* dialogParent = nullptr);

    QAction* TimeStampsAction = nullptr;
    QAction* LogToFileAction = nullptr;
    QAction* SaveAsAction = nullptr;

    void setTimeStamps(bool on);
    [[nodiscard]] bool timeStamps() const;

    // The log file last chosen (kept when logging stops, offered again next time).
    [[nodiscard]] const QString& logFileName() const { return m_logFileName; }
    void setLogFileName(const QString& fileName) { m_logFileName = fileName; }
    // Starts the copy into `fileName`; a file that cannot be opened is said in the log and
    // leaves logging off. Returns whether it logs now.
    bool startLogging(const QString& fileName);
    void stopLogging();
    [[nodiscard]] bool logging() const { return m_file.isOpen(); }

    // Writes the whole log to `fileName` at once (never half a file); says in the log where
    // it went or why it failed.
    bool saveAs(const QString& fileName);

    // Adds `action` to the menu, below the entries of the log.
    void addEntry(QAction* action) { m_entries.append(action); }

    // The menu as the right mouse button opens it.
    void showMenu(const QPoint& pos);

private:
    void loggingFailed();
    void chooseLogFile(bool on);
    void chooseSaveFile();
    void notice(const QString& text);

    RichLog& m_log;
    QWidget* m_parent;
    QString m_logFileName;
    TerminalLogFile m_file;
    QList<QAction*> m_entries;
};
