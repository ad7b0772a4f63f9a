#include "core/StopSignals.h"

#include <Python.h>

#include "core/FileReplacement.h"

namespace tolva {

namespace {

volatile std::sig_atomic_t sReceived = 0;
volatile std::sig_atomic_t sScriptInterruptible = 0;

} // namespace

StopSignals::StopSignals()
{
    sReceived = 0;
    struct sigaction action = {};
    action.sa_handler = &StopSignals::handle;
    sigemptyset(&action.sa_mask);
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
    sScriptInterruptible = interruptible ? 1 : 0;
}

void StopSignals::handle(int signal)
{
    if (sReceived != 0) {
        // Asked twice: the orderly way is stuck or too slow for the user. A file being rewritten
        // goes first; the one it was to replace stays as it was.
        FileReplacement::removeUnfinished();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    sReceived = signal;
    if (sScriptInterruptible != 0) {
        // Safe in a signal handler: the interpreter raises KeyboardInterrupt at its next check.
        PyErr_SetInterrupt();
    }
}

} // namespace tolva
