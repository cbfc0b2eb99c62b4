#pragma once

#include "TransferProgressTracker.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class Bootloader;
class Link;
class LogSink;

// The two downloads, their verify on its own and the firmware read as a front end starts them
// (the main window, a command line). A job starts only on a free line and keeps it while the
// user chooses the file; the front end is told when one begins and ends, and of its progress;
// the byte code gets its "load file" lines here, from the button and from the file watch alike.
class DownloadRunner {
public:
    // Asks the user for a file, starting from `initialName`, with a filter in the form
    // "Hex File (*.hex)|*.hex|all files (*.*)|*.*"; an empty name when cancelled.
    using ChooseFile =
        std::function<QString(const QString& initialName, const QString& filter, const QString& defaultExtension)>;
    // What a front end does around a download; every part may be left empty.
    struct Frontend {
        std::function<void()> begins; // before the file is chosen
        std::function<void()> ends;   // however the download ended
        std::function<void(const TransferProgress&)> progress;
        std::function<void()> runs; // the file is chosen: the transfer itself begins
        // How a download that ran ended, in one line ("flash and verify passed, ..."); not
        // called when the file dialog was cancelled or an error escaped.
        std::function<void(const QString&)> result;
    };

    // What a run through the bootloader does to the flash, for its result line.
    enum class Job { Download, Verify, Read };

    DownloadRunner(Link& link, LogSink& log);
    ~DownloadRunner();
    DownloadRunner(const DownloadRunner&) = delete;
    DownloadRunner& operator=(const DownloadRunner&) = delete;

    // The flash image and the bootloader steps both downloads share.
    [[nodiscard]] Bootloader& bootloader() { return *m_boot; }
    void setFrontend(Frontend frontend) { m_frontend = std::move(frontend); }
    [[nodiscard]] const Frontend& frontend() const { return m_frontend; }

    // "Download Firmware": the file is chosen starting from `fileName`, which keeps the choice.
    bool chooseAndLoadFirmware(QString& fileName, const ChooseFile& choose);
    // The firmware download of a file named by the caller.
    bool loadFirmware(const QString& fileName);

    // "verify against file…": the firmware file is chosen as for the download and compared with
    // the board's firmware; nothing is written.
    bool chooseAndVerifyFirmware(QString& fileName, const ChooseFile& choose);
    bool verifyFirmware(const QString& fileName);
    // "read firmware into file…": `choose` names the file to write (a save dialog), starting
    // from `fileName`, which keeps the choice; the board's firmware area goes into it.
    bool chooseAndReadFirmware(QString& fileName, const ChooseFile& choose);
    bool readFirmware(const QString& fileName, bool keepErased);

    // "Download AWL": the file is chosen starting from `fileName`, which keeps the choice.
    // The file is watched from then on, also when the choice was cancelled.
    bool chooseAndLoadByteCode(QString& fileName, QString& syncFileName, QDateTime& syncFileTime,
                               const ChooseFile& choose);
    // The byte-code download of `fileName`, without the "load file" lines.
    bool loadByteCode(const QString& fileName);
    // The AWL area compared with `fileName`; nothing is written.
    bool verifyByteCode(const QString& fileName);
    // One tick of the file watch: a new time stamp of the watched file (or its going away)
    // downloads `fileName` once; while the line is busy the change waits for a later tick.
    bool syncTick(const QString& syncFileName, QDateTime& syncFileTime, const QString& fileName);

    // Stops the running download after its current block; the board stays in its bootloader.
    // Does nothing while none runs.
    void cancel();
    [[nodiscard]] bool running() const { return m_running; }

    // One line on how a job ended: "flash and verify passed, 66 488 bytes in 47 s", "verify
    // passed, 35 768 bytes in 8 s", "firmware read, 126 976 bytes in 23 s", "verify failed at
    // $1234" (with ", 4 bytes differ" where they were counted), "cancelled at block 3 of 8", or
    // the failing step and why.
    [[nodiscard]] static QString resultText(bool ok, const Bootloader& boot, qint64 elapsedMs, Job job = Job::Download);

private:
    class Scope;
    using Run = std::function<bool(const QString& fileName)>;
    // A firmware job on a file the user chooses; a cancelled choice runs only the closing step.
    bool chooseAndRun(const QString& what, QString& fileName, const ChooseFile& choose, Job job, const Run& run);
    // A job on a file named by the caller.
    bool runOnFile(const QString& what, const QString& fileName, Job job, const Run& run);
    bool loadByteCodeWithLines(const QString& fileName);
    // Runs the transfer `run` and tells the front end how it ended.
    bool transfer(Job job, const std::function<bool()>& run);

    Link& m_link;
    LogSink& m_log;
    std::unique_ptr<Bootloader> m_boot;
    TransferProgressTracker m_progress;
    Frontend m_frontend;
    bool m_running = false;
    bool m_cancelRequested = false;
};
