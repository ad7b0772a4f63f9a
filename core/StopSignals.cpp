#include "core/StopSignals.h"

#include <Python.h>

#include <time.h>

#include <atomic>
#include <cstdint>

#include "core/FileReplacement.h"

namespace tolva {

namespace {

volatile std::sig_atomic_t sReceived = 0;
volatile std::sig_atomic_t sScriptInterruptible = 0;
volatile std::sig_atomic_t sEnding = 0;
// Read and written in the handler: it must be lock-free to be safe there.
std::atomic<std::int64_t> sFirstAt(0);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

/// A second request comes from someone who waited this long for the first one.
const std::int64_t RepeatNanoseconds = 1000000000;

std::int64_t monotonicNanoseconds()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

StopSignals::StopSignals()
{
    sReceived = 0;
    sEnding = 0;
    struct sigaction action = {};
    action.sa_handler = &StopSignals::handle;
    // One stop signal at a time: a second one waits until the handler has recorded the first.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGHUP);
    // Interrupted system calls are restarted: a read of a file or the rendering engine's swap
    // must not fail because someone pressed Ctrl-C.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &mOldInterrupt);
    sigaction(SIGTERM, &action, &mOldTerminate);
    sigaction(SIGHUP, &action, &mOldHangUp);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &mOldInterrupt, nullptr);
    sigaction(SIGTERM, &mOldTerminate, nullptr);
    sigaction(SIGHUP, &mOldHangUp, nullptr);
}

bool StopSignals::received()
{
    return sReceived != 0;
}

int StopSignals::signalNumber()
{
    return sReceived;
}

void StopSignals::setScriptInterruptible(bool interruptible)
{
    if ((sScriptInterruptible != 0) == interruptible) {
        return;
    }
    sScriptInterruptible = interruptible ? 1 : 0;
    // A script waiting in a read or a sleep must see the signal as well as a busy one: the call it
    // waits in ends, and the interpreter raises KeyboardInterrupt there. Engine code keeps its
    // calls restarted. A handler a script installed in the meantime stays as it is.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == &StopSignals::handle) {
            action.sa_flags = interruptible ? (action.sa_flags & ~SA_RESTART) : (action.sa_flags | SA_RESTART);
            sigaction(signal, &action, nullptr);
        }
    }
}

void StopSignals::beginOrderlyEnd()
{
    if (sReceived != 0) {
        sEnding = 1;
    }
}

void StopSignals::handle(int signal)
{
    if (sReceived != 0) {
        // One request can arrive as several signals at once (`timeout` signals the program and
        // then its process group): only a signal that comes once the orderly end is under way, or
        // a while after the first, says that the user is tired of waiting.
        if (sEnding == 0 && monotonicNanoseconds() - sFirstAt.load() < RepeatNanoseconds) {
            return;
        }
        // Asked twice: the orderly way is stuck or too slow for the user. A file being rewritten
        // goes first; the one it was to replace stays as it was.
        FileReplacement::removeUnfinished();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    sFirstAt.store(monotonicNanoseconds());
    sReceived = signal;
    if (sScriptInterruptible != 0) {
        // Safe in a signal handler: the interpreter raises KeyboardInterrupt at its next check.
        PyErr_SetInterrupt();
    }
}

} // namespace tolva
