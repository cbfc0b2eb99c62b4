#pragma once

#include <termios.h>

// The last resort behind the clean stop: once SIGINT, SIGTERM or SIGHUP has come, the program
// ends within `ms` with 130 even where the job never gets back to its event loop (a file given
// that is a FIFO and blocks in its open, a stdout that nobody reads). It stands in front of
// the handlers installed before it, which still see every signal; a signal without a handler
// of its own keeps its default. One instance at a time, made after those handlers.
//
// The hard stop puts the port's old line settings back, as a clean close does, and tells a
// board that waits in its bootloader to leave it; both with calls that are safe in a signal
// handler.
class ExitDeadline {
public:
    explicit ExitDeadline(int ms);
    ~ExitDeadline();

    // The open port's descriptor and the line settings it had before it was opened; forgotten
    // before it closes.
    static void restoreLine(int fd, const termios& settings);
    static void forgetLine();
    // The byte that makes the board leave its bootloader while it waits there; -1: it does not.
    static void setLeaveCommand(int byte);

    ExitDeadline(const ExitDeadline&) = delete;
    ExitDeadline& operator=(const ExitDeadline&) = delete;
};
