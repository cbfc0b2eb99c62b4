#pragma once

#include "Command.h"

#include <QDateTime>
#include <QString>

class DownloadJob;
struct Invocation;

// "awl FILE.vlb": the AWL byte-code download, as "Download AWL" runs it. With --watch the file
// is watched as the window's file synchronization watches it, once a second, and downloaded
// again whenever it changes, until a signal ends the watch (exit 130). With --verify the AWL
// area is only compared with the file.
class AwlCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;
    // Refuses --verify together with --watch.
    [[nodiscard]] static QString takeOptions(Invocation& inv);
    [[nodiscard]] bool judgesStops() const override { return true; }

private:
    Outcome watch(DownloadJob& download, const QString& file);

    QString m_syncFileName;
    QDateTime m_syncFileTime;
};
