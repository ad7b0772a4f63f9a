// Hostile calls into the game's script module from a game script inside the running game, one
// case per frame: every call raises a Python error or succeeds, and the game goes on.
#include "GameFixture.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>

namespace tolva::test {
namespace {

class SpindlewakeFuzzTest : public GameFixture {
protected:
    void SetUp() override { }
};

TEST_F(SpindlewakeFuzzTest, HostileCallsIntoTheGameModuleRaisePythonErrorsAndTheGameGoesOn)
{
    const std::string summary = mScripts->path() + "/summary";
    ScriptFiles files = recordingScripts(mScripts->path());
    files["scripts/game/Game.py"] = "import sys\n"
                                    "sys.path.insert(0, r'" TOLVA_SOURCE_DIR "/tests/game/python')\n"
                                    "import spindlewake_fuzz\n"
                                    "class Game:\n"
                                    "    def __init__(self):\n"
                                    "        self.runner = spindlewake_fuzz.Runner(r'"
        + summary
        + "')\n"
          "    def frame(self, seconds):\n"
          "        self.runner.frame(seconds)\n";
    start(files);
    ASSERT_EQ("", mStartError) << python().getErrorString();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
    while (!std::ifstream(summary) && std::chrono::steady_clock::now() < deadline) {
        frames(20, 0.02f);
    }
    std::ifstream lines(summary);
    ASSERT_TRUE(lines) << "the cases did not finish in time";
    std::string counts;
    std::getline(lines, counts);
    std::cout << "fuzz: " << counts << std::endl;
    EXPECT_NE(std::string::npos, counts.find(" cases run")) << counts;
    std::stringstream failures;
    failures << lines.rdbuf();
    EXPECT_EQ("", failures.str());
    stop();
}

} // namespace
} // namespace tolva::test
