// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal closed) as a request to stop: while an object
// of this class lives, such a signal marks the request, and the engine's main loop ends after the
// frame it is in, so the program shuts down in order and writes its configuration back. A script
// that is running when the first signal arrives is interrupted (the interpreter raises
// KeyboardInterrupt in it), so a script that never returns cannot keep the program from stopping.
// A second signal while the first is still being handled ends the program at once, as if no
// handler were installed, after removing the files being rewritten (FileReplacement). SIGQUIT
// stays the system's.
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
    /// the engine's loop (RunningScript), off otherwise. Main thread only.
    static void setScriptInterruptible(bool interruptible);

private:
    static void handle(int signal);

    struct sigaction mOldInterrupt;
    struct sigaction mOldTerminate;
    struct sigaction mOldHangUp;
};

} // namespace tolva
