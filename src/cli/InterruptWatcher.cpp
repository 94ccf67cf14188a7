#include "cli/InterruptWatcher.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "cli/Console.h"

namespace {

// The handler may only touch these: a pipe to the main thread and two atomics.
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_armed{false};
std::atomic<int> g_signals{0};

extern "C" void onSignal(int)
{
    if (!g_armed.load() || g_signals.fetch_add(1) > 0)
        _exit(ExitCancelled);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

void install(int signal)
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::onSignalPending);
    }
    install(SIGINT);
    install(SIGTERM);
}

InterruptWatcher::~InterruptWatcher()
{
    g_armed = false;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void InterruptWatcher::setArmed(bool armed)
{
    g_armed = armed && m_notifier;
}

void InterruptWatcher::onSignalPending()
{
    char bytes[16];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    m_interrupted = true;
    emit interruptRequested();
}
