// Cost of the schedule as a script uses it: a script adds n listeners of its own with
// Time.addSchedule (each kept alive by the engine until it has run), then one frame runs them all.
// Printed per schedule for n = 1,000 and 10,000 pending: the median over the rounds and the spread
// (fastest to slowest round). The rounds alternate the order of the two sizes, so that a machine
// that gets busier or quieter meanwhile weighs on both alike. Constant costs per schedule mean
// adding and running are O(log n) or better; the script's own loop and listener objects are part
// of the figures.
#include "Rounds.h"
#include "core/Engine.h"
#include "core/EngineOptions.h"
#include "core/GameBase.h"
#include "core/Time.h"
#include "scripting/Python.h"

#include <boost/python.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace bp = boost::python;

namespace {

const int Sizes[] = {1000, 10000};
const int Rounds = 9;

const char* const Script = R"(
import TolvaEngine

class BenchReminder(TolvaEngine.ScheduleListener):
    def scheduled(self):
        pass

def addSchedules(count):
    time_ = TolvaEngine.TolvaSingleton.getInstance().getTime()
    for _ in range(count):
        time_.addSchedule(0.0, BenchReminder())

def forgetRunSchedules():
    TolvaEngine.TolvaSingleton.getInstance().getTime().isScheduled(None)
)";

std::string makeHome()
{
    char pattern[] = "/tmp/schedule_bench.XXXXXX";
    const std::string home = mkdtemp(pattern);
    mkdir((home + "/.spindlewake").c_str(), 0700);
    std::ofstream(home + "/.spindlewake/engine.cfg") << "Console Enable=no\n[Resources]\n";
    setenv("HOME", home.c_str(), 1);
    return home;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Costs {
    std::vector<double> add;
    std::vector<double> run;
};

void printCosts(const char* what, const std::vector<double>& seconds)
{
    const auto range = std::minmax_element(seconds.begin(), seconds.end());
    std::printf("  %s: %.2f us per schedule (spread %.2f - %.2f)\n", what, tolva::bench::median(seconds) * 1e6,
        *range.first * 1e6, *range.second * 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string home = makeHome();
    tolva::EngineOptions options;
    options.graphics = options.audio = options.input = options.physics = false;
    options.gui = options.console = options.gravityManager = false;
    options.createGame = [] { return new tolva::GameBase(); };

    std::map<int, Costs> costs;
    try {
        tolva::Engine engine(argc, argv, options);
        engine.initialise();
        tolva::Python& python = *engine.getScripting();
        tolva::Time& time = *engine.getTime();
        bool measured = true;
        try {
            python.executeStatement(Script);
            const bp::object addSchedules = python.getGlobal("addSchedules");
            const bp::object forgetRunSchedules = python.getGlobal("forgetRunSchedules");
            for (int round = 0; round < Rounds; ++round) {
                for (int i = 0; i < 2; ++i) {
                    const int count = Sizes[(round + i) % 2];
                    auto start = std::chrono::steady_clock::now();
                    addSchedules(count);
                    costs[count].add.push_back(secondsSince(start) / count);
                    // Every schedule is due once the clock has moved on.
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    start = std::chrono::steady_clock::now();
                    time.frame(0.0f);
                    costs[count].run.push_back(secondsSince(start) / count);
                    forgetRunSchedules();
                }
            }
        } catch (const bp::error_already_set&) {
            std::fprintf(stderr, "schedule_bench: %s\n", python.getErrorString().c_str());
            measured = false;
        }
        engine.shutdown();
        if (!measured) {
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "schedule_bench: %s\n", error.what());
        return 1;
    }
    std::system(("rm -rf '" + home + "'").c_str());

    std::printf("schedule_bench: a script's listeners added with Time.addSchedule and run in one frame, median "
                "of %d alternating rounds\n",
        Rounds);
    for (int count : Sizes) {
        std::printf("%d pending:\n", count);
        printCosts("add", costs[count].add);
        printCosts("run", costs[count].run);
    }
    return 0;
}
