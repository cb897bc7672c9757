#include "base/SignalWatch.h"

#include "base/TempFolders.h"
#include "base/ThreadName.h"

#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <thread>

namespace {

std::mutex g_lock;
std::function<void()> g_cancel;

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

// Removes the temporary folders, then takes the signal's default action, so
// the parent sees the program ended by it.
[[noreturn]] void EndBy(int signal) {
    TempFolders::RemoveAll();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    pthread_kill(pthread_self(), signal);
    // Not reached for these signals; kept for safety.
    std::_Exit(128 + signal);
}

void Watch() {
    SetThreadName("kv-signals");
    const sigset_t set = TerminationSignals();
    bool cancelled = false;
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0)
            continue;
        std::function<void()> cancel;
        {
            std::lock_guard lock(g_lock);
            cancel = g_cancel;
        }
        if (cancel && !cancelled) {
            cancelled = true;
            cancel();
            continue;
        }
        EndBy(signal);
    }
}

} // namespace

void CSignalWatch::Start() {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(Watch).detach();
}

CSignalWatch::CCancelScope::CCancelScope(std::function<void()> cancel) {
    std::lock_guard lock(g_lock);
    g_cancel = std::move(cancel);
}

CSignalWatch::CCancelScope::~CCancelScope() {
    std::lock_guard lock(g_lock);
    g_cancel = nullptr;
}
