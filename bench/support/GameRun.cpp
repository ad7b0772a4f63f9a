#include "GameRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

#include "core/Application.h"

namespace tolva::bench {

void prepareProcess(int argc, char** argv, const std::string& treeDirectory)
{
    if (!std::getenv("DISPLAY")) {
        std::vector<char*> arguments;
        static std::string run = "xvfb-run", auto_ = "-a", server = "-s",
                           screen = "-screen 0 1024x768x24 +extension GLX -noreset";
        arguments = {run.data(), auto_.data(), server.data(), screen.data()};
        arguments.insert(arguments.end(), argv, argv + argc);
        arguments.push_back(nullptr);
        execvp("xvfb-run", arguments.data());
        std::cerr << "No display, and xvfb-run could not be started.\n";
        std::exit(1);
    }
    setenv("ALSOFT_DRIVERS", "null", 0);
    std::filesystem::current_path(std::filesystem::path(treeDirectory) / "bin");
}

int silenceOutput()
{
    std::fflush(stdout);
    const int saved = dup(1);
    const int nothing = open("/dev/null", O_WRONLY);
    dup2(nothing, 1);
    dup2(nothing, 2);
    close(nothing);
    return saved;
}

void restoreOutput(int savedOutput)
{
    std::fflush(stdout);
    dup2(savedOutput, 1);
    close(savedOutput);
}

FreshHome::FreshHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tolva-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("Cannot make a temporary home.");
    }
    mPath = pattern;
}

FreshHome::~FreshHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

int runGame(int argc, char** argv, const std::function<void(const char*, const char*)>& trace)
{
    EngineOptions options;
    options.trace = trace;
    return Application(argc, argv, options).run();
}

} // namespace tolva::bench
