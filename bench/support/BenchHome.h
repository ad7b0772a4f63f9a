// A temporary home for an engine that runs inside a benchmark's process: "HOME" points at it
// while it lives, and its "engine.cfg" holds the benchmark's settings (the console off, plus
// whatever the benchmark adds). Removed with everything in it on destruction.
#pragma once

#include <string>

namespace tolva::bench {

class BenchHome {
public:
    /// @param settings lines for "engine.cfg" after "Console Enable=no"
    explicit BenchHome(const std::string& settings = "");
    ~BenchHome();
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

    const std::string& path() const { return mPath; }

private:
    std::string mPath;
};

} // namespace tolva::bench
