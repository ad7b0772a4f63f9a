// Runs part of a test in a child process under an X server of its own, so the keyboard and pointer
// grabs of other window tests running at the same time cannot take the events the part injects.
// The test binary's main() runs the part when the named variable is set; the part reports every
// failed check as a line "FAILED: ..." and exits 0 only when all passed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

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

/// Runs this test binary again with variable=value (and the further "NAME=value ..." settings of
/// environment) under xvfb-run and returns what it printed; a child that ends badly adds a
/// "FAILED: " line of its own.
inline std::string runUnderOwnXServer(
    const char* variable, const std::string& value, const std::string& environment = std::string())
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    const std::string path = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
    const std::string command = environment + " " + variable + "=" + value
        + " xvfb-run -a -s '-screen 0 1024x768x24 +extension GLX -noreset' '" + path + "' 2>&1";
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
