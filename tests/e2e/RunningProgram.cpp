#include "RunningProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace tolva::test {

namespace {

using Clock = std::chrono::steady_clock;
const auto PollInterval = std::chrono::milliseconds(50);

} // namespace

RunningProgram::RunningProgram(
    const std::vector<std::pair<std::string, std::string>>& environment, const std::vector<std::string>& launcher)
{
    const std::string out = mOutputs.file("out.txt");
    const std::string err = mOutputs.file("err.txt");
    const std::string program = std::string(TOLVA_TREE_DIR) + "/bin/spindlewake";
    std::vector<char*> arguments;
    for (const std::string& argument : launcher) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(const_cast<char*>(program.c_str()));
    arguments.push_back(nullptr);
    mPid = fork();
    if (mPid == 0) {
        if (chdir(TOLVA_TREE_DIR "/bin") != 0) {
            _exit(120);
        }
        for (const auto& [name, value] : environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
#if defined(__SANITIZE_ADDRESS__)
        // The whole program's end leaves the interpreter's own objects, which only the suites that
        // unwind whole stacks can tell from the engine's leaks; here the exit status must be the
        // program's own.
        const char* options = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(options ? options : "") + ":detect_leaks=0").c_str(), 1);
#endif
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execvp(arguments[0], arguments.data());
        _exit(121);
    }
}

RunningProgram::~RunningProgram()
{
    if (mPid > 0 && !mEnded) {
        killAll();
        waitpid(mPid, nullptr, 0);
    }
}

void RunningProgram::killAll() const
{
    // A launcher such as timeout runs the program in a process group of its own.
    kill(-mPid, SIGKILL);
    kill(mPid, SIGKILL);
}

bool RunningProgram::hasEnded()
{
    if (mEnded) {
        return true;
    }
    int status = 0;
    if (waitpid(mPid, &status, WNOHANG) == mPid) {
        mEnded = true;
        mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return mEnded;
}

bool RunningProgram::waitForText(const std::string& file, const std::string& text, double seconds) const
{
    const Clock::time_point end
        = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        if (readFile(file).find(text) != std::string::npos) {
            return true;
        }
        if (const_cast<RunningProgram*>(this)->hasEnded()) {
            return readFile(file).find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(PollInterval);
    }
    return false;
}

void RunningProgram::sendSignal(int signal) const
{
    kill(mPid, signal);
}

int RunningProgram::waitForExit(double seconds)
{
    const Clock::time_point end
        = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (!hasEnded() && Clock::now() < end) {
        std::this_thread::sleep_for(PollInterval);
    }
    if (!hasEnded()) {
        killAll();
        waitpid(mPid, nullptr, 0);
        mEnded = true;
        mStatus = -1;
    }
    return mStatus;
}

std::string RunningProgram::standardError() const
{
    return readFile(mOutputs.file("err.txt"));
}

std::string RunningProgram::standardOutput() const
{
    return readFile(mOutputs.file("out.txt"));
}

} // namespace tolva::test
