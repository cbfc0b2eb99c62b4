#pragma once

// The last resort behind the clean stop: once SIGINT, SIGTERM or SIGHUP has come, the program
// ends within `ms` with 130 even where the job never gets back to its event loop (a file given
// that is a FIFO and blocks in its open, a stdout that nobody reads). It stands in front of
// the handlers installed before it, which still see every signal; a signal without a handler
// of its own keeps its default. One instance at a time, made after those handlers.
class ExitDeadline {
public:
    explicit ExitDeadline(int ms);
    ~ExitDeadline();
    ExitDeadline(const ExitDeadline&) = delete;
    ExitDeadline& operator=(const ExitDeadline&) = delete;
};
