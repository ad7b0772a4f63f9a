// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal closed) as a request to stop: while an object
// of this class lives, such a signal marks the request, and the engine's main loop ends after the
// frame it is in, so the program shuts down in order and writes its configuration back. A script
// that is running when the first signal arrives is interrupted (the interpreter raises
// KeyboardInterrupt in it, also in a read or a sleep it waits in), so a script that never returns
// cannot keep the program from stopping. A second signal ends the program at once, as if no
// handler were installed, after removing the files being rewritten (FileReplacement), but only
// once the program has begun its orderly end in answer to the first, or a second or more after
// the first: signals that arrive together are one request. SIGQUIT stays the system's.
#pragma once

#include <csignal>

namespace tolva {

class StopSignals {
public:
    /// Installs the handlers and clears any earlier request.
    StopSignals();
    /// Puts back the handlers that were installed before.
    ~StopSignals();

    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    /// Whether a stop signal arrived since the handlers were installed.
    static bool received();
    /// The signal that arrived (0 for none).
    static int signalNumber();

    /// Whether a stop signal interrupts the running script: on while a script runs in a frame of
    /// the engine's loop (RunningScript), off otherwise. While it is on, a signal also ends the
    /// system call the program waits in instead of restarting it. Main thread only.
    static void setScriptInterruptible(bool interruptible);
    /// Called when the program begins its orderly end because a stop signal arrived: from then
    /// on another signal ends it at once. Does nothing while no signal has arrived.
    static void beginOrderlyEnd();

private:
    static void handle(int signal);

    struct sigaction mOldInterrupt;
    struct sigaction mOldTerminate;
    struct sigaction mOldHangUp;
};

} // namespace tolva
