#include "ExitDeadline.h"

#include "ExitCode.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <iterator>
#include <unistd.h>

namespace {

constexpr int Watched[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[std::size(Watched)];
bool chained[std::size(Watched)] = {};
timer_t timer;
bool haveTimer = false;
itimerspec due{};
volatile sig_atomic_t armed = 0;

// Only calls that are safe in a signal handler.
void onSignal(int sig)
{
    const int saved = errno;
    if (!armed && haveTimer) {
        armed = 1;
        timer_settime(timer, 0, &due, nullptr);
    }
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        if (Watched[i] == sig && chained[i])
            previous[i].sa_handler(sig);
    errno = saved;
}

void onDeadline(int)
{
    static constexpr char Text[] = "velmar-cli: interrupted\n";
    (void)!::write(STDERR_FILENO, Text, sizeof Text - 1);
    ::_exit(int(ExitCode::Interrupted));
}

} // namespace

ExitDeadline::ExitDeadline(int ms)
{
    struct sigaction alarm {};
    alarm.sa_handler = onDeadline;
    sigemptyset(&alarm.sa_mask);
    ::sigaction(SIGALRM, &alarm, nullptr);
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    haveTimer = timer_create(CLOCK_MONOTONIC, &event, &timer) == 0;
    due.it_value.tv_sec = ms / 1000;
    due.it_value.tv_nsec = long(ms % 1000) * 1000000;
    armed = 0;
    for (std::size_t i = 0; i < std::size(Watched); ++i) {
        struct sigaction current {};
        ::sigaction(Watched[i], nullptr, &current);
        // Only a plain handler is chained; a signal left at its default ends the program anyway.
        if ((current.sa_flags & SA_SIGINFO) || current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN)
            continue;
        previous[i] = current;
        struct sigaction mine = current;
        mine.sa_handler = onSignal;
        chained[i] = true;
        chained[i] = ::sigaction(Watched[i], &mine, nullptr) == 0;
    }
}

ExitDeadline::~ExitDeadline()
{
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        if (chained[i])
            ::sigaction(Watched[i], &previous[i], nullptr);
    std::fill(std::begin(chained), std::end(chained), false);
    if (haveTimer)
        timer_delete(timer);
    haveTimer = false;
    std::signal(SIGALRM, SIG_DFL);
}
