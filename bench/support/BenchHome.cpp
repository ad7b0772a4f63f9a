#include "BenchHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tolva::bench {

BenchHome::BenchHome(const std::string& settings)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tolva-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("Cannot make a temporary home.");
    }
    mPath = pattern;
    std::filesystem::create_directory(mPath + "/.spindlewake");
    std::ofstream(mPath + "/.spindlewake/engine.cfg") << "Console Enable=no\n" << settings;
    setenv("HOME", mPath.c_str(), 1);
}

BenchHome::~BenchHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

} // namespace tolva::bench
