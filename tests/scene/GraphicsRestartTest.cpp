// Engines restarted in one process, as the program's restart loop does, on a real window. A
// process of its own: the other window tests keep the GL driver loaded for the leak checker,
// which would hide what a restart fails to give back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/Engine.h"
#include "support/TestHome.h"
#include "WindowTestSupport.h"

namespace tolva::test {
namespace {

/// Set in the environment of the test run again with a small reserve.
const char* const SmallReserveVariable = "TOLVA_SMALL_STATIC_TLS_RESERVE";

/// The C library hands libraries their static thread storage out of a fixed reserve and never
/// takes it back when they are unloaded, so a restart that loads such a library again uses up
/// more of it; with the default reserve the program could make no window after some two hundred
/// restarts. With the smallest reserve the C library allows, a few dozen do it.
const int Restarts = 80;

TEST(GraphicsRestart, EveryEngineOfManyRestartsMakesItsWindow)
{
    if (!std::getenv(SmallReserveVariable)) {
        const std::string command = std::string(SmallReserveVariable)
            + "=1 GLIBC_TUNABLES=glibc.rtld.nns=1:glibc.rtld.optional_static_tls=0 /proc/"
            + std::to_string(getpid())
            + "/exe --gtest_filter=GraphicsRestart.EveryEngineOfManyRestartsMakesItsWindow >/dev/null 2>&1";
        EXPECT_EQ(0, std::system(command.c_str())) << "an engine of the restarts in a process with a small reserve failed";
        return;
    }
    TestHome home(windowEngineConfig(), "");
    char program[] = "test_graphics_restart";
    char* argv[] = {program, nullptr};
    for (int engine = 0; engine < Restarts; ++engine) {
        auto running = std::make_unique<Engine>(1, argv, windowEngineOptions());
        running->initialise();
        running->frame(0.01f);
        running->shutdown();
    }
}

} // namespace
} // namespace tolva::test
