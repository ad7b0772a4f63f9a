// Marks the time a script runs on the engine's behalf (a console statement, the game script's
// frame, a scheduled callback, any script callback): while a frame of the engine's loop has one of
// these alive, Ctrl-C or SIGTERM interrupts the script with the interpreter's own KeyboardInterrupt
// (StopSignals), so a script that never returns cannot keep the program from shutting down in
// order. Outside a frame (while the engine starts or shuts down) a script is never interrupted.
//
// Nested calls (a script calling the engine, which calls a script back) count as one run. When the
// outermost run ends, an interruption that arrived too late for the script to see it is dropped:
// nothing is left pending for the next script. Main thread only, like the interpreter.
#pragma once

namespace tolva {

class RunningScript {
public:
    RunningScript();
    ~RunningScript();

    RunningScript(const RunningScript&) = delete;
    RunningScript& operator=(const RunningScript&) = delete;

private:
    static int msDepth;
};

} // namespace tolva
