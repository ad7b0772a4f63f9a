// Ctrl-C (SIGINT) and SIGTERM as a request to stop: while an object of this class lives, either
// signal only marks the request, and the engine's main loop ends after the frame it is in, so
// the program shuts down in order and writes its configuration back. A second signal while the
// first is still being handled ends the program at once, as if no handler were installed.
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

private:
    static void handle(int signal);

    struct sigaction mOldInterrupt;
    struct sigaction mOldTerminate;
};

} // namespace tolva
