#pragma once

#include "ConsoleLog.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

struct TransferProgress;

// Where velmar-cli writes: results and the windows' log lines on stdout, progress and errors
// on stderr. Colours only when stdout is a terminal and NO_COLOR is unset, the progress bar
// only when stderr is a terminal; --quiet leaves nothing but errors (and a --json object).
class Console {
public:
    using Write = ConsoleLog::Write;

    struct Options {
        bool quiet = false;
        bool json = false;
        bool colours = false;
        bool progressBar = false;
        bool stdoutIsTerminal = false;
        int columns = 80; // of stderr's terminal
    };
    // The options for the real streams, with --quiet and --json as given.
    [[nodiscard]] static Options detect(bool quiet, bool json);

    Console(Options options, Write out, Write err);
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    [[nodiscard]] const Options& options() const { return m_options; }
    // The windows' log texts (nothing under --quiet and --json).
    [[nodiscard]] ConsoleLog& log() { return m_log; }
    // A line of the result, in the board's colour (nothing under --quiet and --json).
    void result(const QString& line);
    // "velmar-cli: " and the line on stderr.
    void error(const QString& line);
    // The --json object on stdout.
    void json(const QJsonObject& object);
    [[nodiscard]] bool jsonWritten() const { return m_jsonWritten; }

    // A pass of a download begins: its dots give way to the bar.
    void beginPass();
    // The bar, at most ten times a second (and at a pass's last block).
    void progress(const TransferProgress& progress);
    // Takes the bar away; the log's dots show again.
    void endProgress();
    // Ends an open line of the log.
    void finish();

private:
    Options m_options;
    Write m_out;
    Write m_err;
    ConsoleLog m_log;
    bool m_barShown = false;
    bool m_jsonWritten = false;
    QElapsedTimer m_lastDraw;
};
