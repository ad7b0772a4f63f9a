#include "support/TestHome.h"

#include <cstdlib>
#include <filesystem>

namespace tolva::test {

TestHome::TestHome()
{
    const char* old = std::getenv("HOME");
    mHadHome = old != nullptr;
    if (old) {
        mOldHome = old;
    }
    setenv("HOME", mDirectory.path().c_str(), 1);
}

TestHome::TestHome(const std::string& engineConfig, const std::string& controlsConfig)
    : TestHome()
{
    writeDataFile("engine.cfg", engineConfig);
    writeDataFile("controls.cfg", controlsConfig);
}

TestHome::~TestHome()
{
    if (mHadHome) {
        setenv("HOME", mOldHome.c_str(), 1);
    } else {
        unsetenv("HOME");
    }
}

std::string TestHome::dataDirectory() const
{
    return (std::filesystem::path(mDirectory.path()) / ".spindlewake").string();
}

std::string TestHome::dataFile(const std::string& name) const
{
    return (std::filesystem::path(dataDirectory()) / name).string();
}

void TestHome::writeDataFile(const std::string& name, const std::string& content) const
{
    mDirectory.write(".spindlewake/" + name, content);
}

std::string TestHome::readEngineLog() const
{
    return readFile(dataFile("engine.log"));
}

std::string TestHome::readEngineConfig() const
{
    return readFile(dataFile("engine.cfg"));
}

std::string TestHome::minimalEngineConfig()
{
    return "Console Enable=yes\n"
           "[Resources]\n"
           "FileSystem=../media/core,true\n";
}

} // namespace tolva::test
