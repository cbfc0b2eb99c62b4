#pragma once

#include "LineRecorder.h"

#include <QAction>
#include <QPointer>

class RichLog;
class TCustomComPort;

// "record line…" in the terminal's context menu: while ticked, every byte the port writes and
// reads goes with its time into the file chosen (a line recording, as velmar-cli --record
// writes it). The log says where the recording goes and when it stops.
class LineRecordAction : public QAction {
    Q_OBJECT
public:
    LineRecordAction(TCustomComPort& port, RichLog& log, QWidget* dialogParent);
    ~LineRecordAction() override;

    // Starts recording into `fileName`; false (said in the log) when it cannot be written.
    bool start(const QString& fileName);
    void stop();
    [[nodiscard]] bool recording() const { return m_recorder.isOpen(); }

private:
    void choose(bool on);
    void notice(const QString& text);

    QPointer<TCustomComPort> m_port;
    RichLog& m_log;
    QWidget* m_parent;
    QString m_fileName;
    LineRecorder m_recorder;
};
