// Runs part of a test in a child process under an X server of its own, so the keyboard and pointer
// grabs of other window tests running at the same time cannot take the events the part injects.
// The test binary's main() runs the part when the named variable is set; the part reports every
// failed check as a line "FAILED: ..." and exits 0 only when all passed.
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace tolva::test {

/// The checks of a child's part.
class Checks {
public:
    void operator()(bool condition, const std::string& what)
    {
        if (!condition) {
            std::cout << "FAILED: " << what << std::endl;
            ++mFailures;
        }
    }
    int status() const { return mFailures == 0 ? 0 : 1; }

private:
    int mFailures = 0;
};

/// An Xvfb of the child's own. The server picks a free display number itself and reports it on a
/// pipe, so children started at the same moment, by this suite or by another, never race for one.
class OwnXServer {
public:
    OwnXServer()
    {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        // Made before fork(): a child of a threaded process may not allocate.
        const std::string fd = std::to_string(fds[1]);
        mPid = fork();
        if (mPid == 0) {
            close(fds[0]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "+extension",
                "GLX", "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (mPid < 0) {
            close(fds[0]);
            return;
        }
        // The number arrives once the server accepts connections; a loaded machine may take a while.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 120000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
            mDisplay = ":" + number;
        }
    }
    ~OwnXServer()
    {
        if (mPid > 0) {
            kill(mPid, SIGTERM);
            waitpid(mPid, nullptr, 0);
        }
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    /// ":N", or empty when the server did not start.
    const std::string& display() const { return mDisplay; }

private:
    pid_t mPid = -1;
    std::string mDisplay;
};

/// Runs this test binary again with variable=value (and the further "NAME=value ..." settings of
/// environment) under an X server of its own and returns what it printed; a child that ends badly
/// adds a "FAILED: " line of its own.
inline std::string runUnderOwnXServer(
    const char* variable, const std::string& value, const std::string& environment = std::string())
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    const std::string path = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
    const OwnXServer server;
    if (server.display().empty()) {
        return "FAILED: the child's X server did not start\n";
    }
    const std::string command = environment + " DISPLAY=" + server.display() + " " + variable + "=" + value
        + " '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return "FAILED: popen\n";
    }
    std::string output;
    char buffer[4096];
    while (fgets(buffer, sizeof(buffer), pipe)) {
        output += buffer;
    }
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        output += "\nFAILED: the child ended with status " + std::to_string(status) + "\n";
    }
    return output;
}

/// The "FAILED: " lines of a child's output.
inline std::string failedLines(const std::string& output)
{
    std::string lines;
    for (std::size_t start = output.find("FAILED: "); start != std::string::npos;
         start = output.find("FAILED: ", start + 1)) {
        lines += output.substr(start, output.find('\n', start) - start) + "\n";
    }
    return lines;
}

/// The end of a long output, for a failure message.
inline std::string tail(const std::string& output)
{
    return output.substr(output.size() > 20000 ? output.size() - 20000 : 0);
}

} // namespace tolva::test
