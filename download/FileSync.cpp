#include "FileSync.h"

#include <QFileInfo>

QDateTime FileSync::GetFileDateTime(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists() || info.isDir())
        return {};
    const QDateTime local = info.lastModified().toLocalTime();
    const QTime t = local.time();
    return QDateTime(local.date(), QTime(t.hour(), t.minute(), t.second() - t.second() % 2));
}

FileSync::Tick FileSync::Check(const QString& syncFileName, QDateTime& syncFileTime, bool lineBusy)
{
    if (syncFileName.isEmpty())
        return Tick::Idle;
    const QDateTime stamp = GetFileDateTime(syncFileName);
    // Two missing files compare equal (both invalid), so a vanished file asks only once.
    if (stamp == syncFileTime && stamp.isValid() == syncFileTime.isValid())
        return Tick::Idle;
    if (lineBusy)
        return Tick::Deferred;
    syncFileTime = stamp;
    return Tick::Download;
}
