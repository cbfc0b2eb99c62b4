#include "ExitDeadline.h"

#include "ExitCode.h"

#include <algorithm>
#include <atomic>
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
volatile sig_atomic_t lineFd = -1;
termios lineSettings{};
volatile sig_atomic_t leaveCommand = -1;

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

void say(const char* text, std::size_t size) { (void)!::write(STDERR_FILENO, text, size); }

void onDeadline(int)
{
    static constexpr char Text[] = "velmar-cli: interrupted\n";
    static constexpr char Waits[] = "velmar-cli: the board waits in its bootloader: download again, or switch it "
                                    "off and on\n";
    const int fd = lineFd;
    bool waits = false; // a simulated board inside the program ends with it
    if (fd >= 0) {
        if (leaveCommand >= 0) {
            const char command = char(leaveCommand);
            waits = ::write(fd, &command, 1) != 1;
            // Time for the byte to leave before the line changes under it.
            const timespec pause{0, 20 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
        ::tcsetattr(fd, TCSANOW, &lineSettings);
    }
    say(Text, sizeof Text - 1);
    if (waits)
        say(Waits, sizeof Waits - 1);
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

void ExitDeadline::restoreLine(int fd, const termios& settings)
{
    // The handler may come at any moment: it sees a descriptor only with its settings in place.
    lineFd = -1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    lineSettings = settings;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    lineFd = fd;
}

void ExitDeadline::forgetLine() { lineFd = -1; }

void ExitDeadline::setLeaveCommand(int byte) { leaveCommand = byte; }

ExitDeadline::~ExitDeadline()
{
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        if (chained[i])
            ::sigaction(Watched[i], &previous[i], nullptr);
    std::fill(std::begin(chained), std::end(chained), false);
    lineFd = -1;
    leaveCommand = -1;
    if (haveTimer)
        timer_delete(timer);
    haveTimer = false;
    std::signal(SIGALRM, SIG_DFL);
}
