// The real program, started for a test from the runnable tree's bin/ folder with the test's
// "HOME" (set by a TestHome) and its output kept in files. A program still running when the
// object goes is killed.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace tolva::test {

class RunningProgram {
public:
    /// @param environment extra variables of the program, as name and value
    /// @param launcher a command that runs the program (its path is appended), or none; pid()
    ///        is then the launcher's
    explicit RunningProgram(const std::vector<std::pair<std::string, std::string>>& environment = {},
        const std::vector<std::string>& launcher = {});
    ~RunningProgram();

    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    /// Waits until the file holds the text (or the program ends first, or the time runs out).
    bool waitForText(const std::string& file, const std::string& text, double seconds) const;
    void sendSignal(int signal) const;
    /// Waits for the end, killing the program when the time runs out.
    /// @return the exit status, 128 + the signal for a program a signal ended, -1 after a kill
    int waitForExit(double seconds);

    pid_t pid() const { return mPid; }
    std::string standardError() const;
    /// The files that receive the standard output and error.
    std::string outputFile() const { return mOutputs.file("out.txt"); }
    std::string errorFile() const { return mOutputs.file("err.txt"); }
    std::string standardOutput() const;

private:
    bool hasEnded();
    void killAll() const;

    TempDir mOutputs;
    pid_t mPid = -1;
    int mStatus = -1;
    bool mEnded = false;
};

} // namespace tolva::test
