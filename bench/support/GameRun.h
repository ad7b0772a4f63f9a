// Runs the real program (tolva::Application on the runnable tree's default configuration) for a
// benchmark: from the runnable tree's bin/ folder, with a fresh home so that the shipped
// "engine.cfg" and "controls.cfg" are used, under Xvfb when there is no display, and with the
// sound library's null device. The engine's step trace tells the benchmark what runs when.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tolva::bench {

/// Re-runs this program under xvfb-run when DISPLAY is not set (does not return then); sets the
/// sound library's null device when no device is chosen; moves into the runnable tree's bin/.
void prepareProcess(int argc, char** argv, const std::string& treeDirectory);

/// Sends standard output and standard error (where the engine log is echoed) to /dev/null.
/// @return a copy of the old standard output, for restoreOutput
int silenceOutput();
void restoreOutput(int savedOutput);

/// A fresh temporary "HOME" for one run, removed by the destructor.
class FreshHome {
public:
    FreshHome();
    ~FreshHome();
    FreshHome(const FreshHome&) = delete;
    FreshHome& operator=(const FreshHome&) = delete;
    const std::string& path() const { return mPath; }

private:
    std::string mPath;
};

/// Runs the program with the given trace; the trace may stop the engine.
/// @return the program's exit status
int runGame(int argc, char** argv, const std::function<void(const char* step, const char* module)>& trace);

} // namespace tolva::bench
