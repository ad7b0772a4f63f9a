#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tolva::test {

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "tolva-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    mPath = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::permissions(mPath, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(mPath, ignored);
}

std::string TempDir::file(const std::string& name) const
{
    return (fs::path(mPath) / name).string();
}

std::string TempDir::write(const std::string& name, const std::string& content) const
{
    fs::path target = fs::path(mPath) / name;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + target.string());
    }
    return target.string();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace tolva::test
