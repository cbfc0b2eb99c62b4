#pragma once

#include <QDateTime>
#include <QString>

// Watches the byte-code file: a new time stamp (or the file going away) asks for one download.
class FileSync {
public:
    // The file's last-write time in local time, seconds rounded down to even (the resolution of
    // a packed file date); an invalid date-time when there is no such file.
    static QDateTime GetFileDateTime(const QString& fileName);

    enum class Tick {
        Idle,     // nothing watched, or nothing changed
        Deferred, // changed, but the line is busy: asked again at a later tick
        Download, // changed: `syncFileTime` now holds the new stamp, download once
    };
    // One timer tick. `lineBusy` keeps a download from starting inside another exchange; the
    // stamp is then left alone so that the change is still seen next time.
    static Tick Check(const QString& syncFileName, QDateTime& syncFileTime, bool lineBusy);
};
