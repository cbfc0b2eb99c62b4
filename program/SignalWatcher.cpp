#include "SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pair[2] = {-1, -1};

void onSignal(int sig)
{
    const int saved = errno;
    const char c = char(sig);
    (void)!::write(pair[1], &c, 1);
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> watched, QObject* parent) : QObject(parent), m_watched(watched)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return;
    // The handler must never block, whatever piles up.
    ::fcntl(pair[1], F_SETFL, ::fcntl(pair[1], F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(pair[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalWatcher::onReadable);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : m_watched)
        ::sigaction(sig, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier)
        return;
    for (int sig : m_watched)
        std::signal(sig, SIG_DFL);
    m_notifier.reset();
    ::close(pair[0]);
    ::close(pair[1]);
    pair[0] = pair[1] = -1;
}

void SignalWatcher::onReadable()
{
    char c = 0;
    if (::read(pair[0], &c, 1) == 1)
        Q_EMIT received(int(c));
}
