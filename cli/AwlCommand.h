#pragma once

#include "Command.h"

#include <QDateTime>
#include <QString>

class DownloadJob;

// "awl FILE.vlb": the AWL byte-code download, as "Download AWL" runs it. With --watch the file
// is watched as the window's file synchronization watches it, once a second, and downloaded
// again whenever it changes, until a signal ends the watch (exit 130).
class AwlCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
    [[nodiscard]] bool judgesStops() const override { return true; }

private:
    Outcome watch(DownloadJob& download, const QString& file);

    QString m_syncFileName;
    QDateTime m_syncFileTime;
};
