// Start-up of the game: the time from process start to the first rendered frame of the default
// level, and to a clean exit right after it, median of five runs. Each run is a new process of
// this program (run with "--child"), started in the runnable tree's bin/ folder with a fresh home,
// as a player's first start would be; the child stops the engine once the graphics module has
// rendered its first frame and reports that moment through a pipe.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "GameRun.h"
#include "Rounds.h"
#include "core/Engine.h"

namespace {

using Clock = std::chrono::steady_clock;
const int Runs = 5;

int runChild(int argc, char** argv, int reportFd)
{
    bool graphicsFramed = false;
    bool reported = false;
    return tolva::bench::runGame(argc, argv, [&](const char* step, const char* module) {
        if (std::strcmp(step, "frame") != 0) {
            return;
        }
        // The step after the graphics module's first frame: that frame is on the screen.
        if (graphicsFramed && !reported) {
            reported = true;
            const char mark = 'F';
            if (write(reportFd, &mark, 1) != 1) {
                std::perror("startup_bench");
            }
            tolva::Engine::getInstance()->stop(false);
        }
        if (std::strcmp(module, "graphics") == 0) {
            graphicsFramed = true;
        }
    });
}

struct Run {
    double toFirstFrame = -1.0;
    double toExit = -1.0;
    int status = -1;
};

Run runOnce(const char* self)
{
    tolva::bench::FreshHome home;
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    // The child must not inherit (and print again) what the parent has not written out yet.
    std::fflush(stdout);
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        tolva::bench::silenceOutput();
        setenv("HOME", home.path().c_str(), 1);
        const std::string fd = std::to_string(fds[1]);
        execl(self, self, "--child", fd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    Run run;
    char mark = 0;
    if (read(fds[0], &mark, 1) == 1) {
        run.toFirstFrame = std::chrono::duration<double>(Clock::now() - start).count();
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.toExit = std::chrono::duration<double>(Clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
        return runChild(1, argv, std::atoi(argv[2]));
    }
    tolva::bench::prepareProcess(argc, argv, TOLVA_TREE_DIR);
    const std::string self = std::string(TOLVA_TREE_DIR) + "/bin/startup_bench";
    std::vector<double> firstFrames;
    std::vector<double> exits;
    for (int i = 0; i < Runs; ++i) {
        const Run run = runOnce(self.c_str());
        std::printf("run %d: first frame %.3f s, clean exit %.3f s, exit status %d\n", i + 1, run.toFirstFrame,
            run.toExit, run.status);
        if (run.status != 0 || run.toFirstFrame < 0) {
            std::printf("the game did not start and end cleanly; see the run's engine.log\n");
            return 1;
        }
        firstFrames.push_back(run.toFirstFrame);
        exits.push_back(run.toExit);
    }
    std::printf("start-up, median of %d: first rendered frame %.3f s, clean exit %.3f s\n", Runs,
        tolva::bench::median(firstFrames), tolva::bench::median(exits));
    return 0;
}
