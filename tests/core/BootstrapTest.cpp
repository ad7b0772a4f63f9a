// The start-up before any engine exists: the data directory and the first-start copies of the
// default configuration files, in-process and through the real program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <fstream>
#include <functional>

#include "core/Bootstrap.h"
#include "core/Exceptions.h"
#include "support/TempDir.h"
#include "support/TestHome.h"

namespace fs = std::filesystem;
using tolva::test::readFile;
using tolva::test::TempDir;
using tolva::test::TestHome;

namespace {

const std::string FatalPrefix = "Brindlemoor: Fatal Error: ";

struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs the built program in a child process, in the given working directory, with "HOME" set
/// to the given value or removed.
ProgramResult runProgram(const std::string& workingDirectory, const std::optional<std::string>& home)
{
    TempDir outputs;
    const std::string outPath = outputs.file("out.txt");
    const std::string errPath = outputs.file("err.txt");
    const std::string program = std::string(TOLVA_TREE_DIR) + "/bin/spindlewake";

    const pid_t child = fork();
    if (child == 0) {
        if (chdir(workingDirectory.c_str()) != 0) {
            _exit(120);
        }
        if (home) {
            setenv("HOME", home->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(121);
    }
    ProgramResult result;
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

std::string binDirectory()
{
    return std::string(TOLVA_TREE_DIR) + "/bin";
}

std::string expectMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

} // namespace

TEST(DataDirectory, IsHomeJoinedWithTheGamesFolder)
{
    TestHome home;
    const std::map<std::string, std::string> cases = {
        {"/home/ann", "/home/ann/.spindlewake"},
        {"/home/ann/", "/home/ann/.spindlewake"},
        {"", ".spindlewake"},
    };
    for (const auto& [value, expected] : cases) {
        setenv("HOME", value.c_str(), 1);
        EXPECT_EQ(tolva::bootstrap::GetDataDirectory(), expected) << "HOME=" << value;
    }
}

TEST(DataDirectory, MissingHomeIsNamedInTheMessage)
{
    TestHome home;
    unsetenv("HOME");
    EXPECT_THROW(tolva::bootstrap::GetDataDirectory(), tolva::NotFoundException);
    EXPECT_EQ(expectMessage([] { tolva::bootstrap::GetDataDirectory(); }),
        "Value of environment variable HOME was not found.");
}

TEST(Bootstrap, FirstStartCopiesBothDefaultsAndASecondStartKeepsTheUsersFiles)
{
    TestHome home;
    tolva::bootstrap::Bootstrap(0, nullptr);

    // The tests run in the tree's bin/, so the defaults are ../cfg.
    for (const char* name : {"engine.cfg", "controls.cfg"}) {
        ASSERT_TRUE(fs::is_regular_file(home.dataFile(name))) << name;
        EXPECT_EQ(readFile(home.dataFile(name)), readFile(std::string("../cfg/") + name)) << name;
    }
    EXPECT_NE(readFile(home.dataFile("engine.cfg")).find("[Plugins Linux]"), std::string::npos);

    home.writeDataFile("engine.cfg", "Console Enable=no\n[Edited]\nKey=Value\n");
    home.writeDataFile("controls.cfg", "mine");
    tolva::bootstrap::Bootstrap(0, nullptr);
    EXPECT_EQ(home.readEngineConfig(), "Console Enable=no\n[Edited]\nKey=Value\n");
    EXPECT_EQ(readFile(home.dataFile("controls.cfg")), "mine");
}

TEST(Bootstrap, MissingHomeDirectoryIsCreatedWithItsParents)
{
    TestHome home;
    const std::string deeper = home.path() + "/not/yet";
    setenv("HOME", deeper.c_str(), 1);
    tolva::bootstrap::Bootstrap(0, nullptr);
    EXPECT_TRUE(fs::is_regular_file(deeper + "/.spindlewake/engine.cfg"));
}

TEST(Bootstrap, DataDirectoryBlockedByAFileIsReported)
{
    TestHome home;
    const std::string blocked = home.path() + "/file";
    std::ofstream(blocked) << "not a folder";
    setenv("HOME", blocked.c_str(), 1);
    EXPECT_THROW(tolva::bootstrap::Bootstrap(0, nullptr), tolva::IOException);
    EXPECT_EQ(expectMessage([] { tolva::bootstrap::Bootstrap(0, nullptr); }),
        "Failed to create data directory " + blocked + "/.spindlewake.");
}

TEST(Bootstrap, PerUserPathThatIsAFolderIsNotAFile)
{
    TestHome home;
    fs::create_directories(home.dataFile("engine.cfg"));
    EXPECT_THROW(tolva::bootstrap::Bootstrap(0, nullptr), tolva::InitialisationException);
    EXPECT_EQ(expectMessage([] { tolva::bootstrap::Bootstrap(0, nullptr); }),
        "Configuration file " + home.dataFile("engine.cfg") + " is not a file.");
}

TEST(Bootstrap, FailedSecondCopyKeepsTheFirst)
{
    // A tree whose cfg folder lacks controls.cfg.
    TempDir tree;
    tree.write("cfg/engine.cfg", "[Resources]\n");
    fs::create_directories(tree.file("bin"));
    TestHome home;
    const fs::path previous = fs::current_path();
    fs::current_path(tree.file("bin"));

    const std::string message = expectMessage([] { tolva::bootstrap::Bootstrap(0, nullptr); });
    fs::current_path(previous);

    EXPECT_EQ(message, "Failed to copy config file controls.cfg.");
    EXPECT_EQ(home.readEngineConfig(), "[Resources]\n");
    EXPECT_FALSE(fs::exists(home.dataFile("controls.cfg")));
}

TEST(ProgramStart, MissingHomeGivesOneLineAndStatusOne)
{
    TempDir cwd;
    const ProgramResult result = runProgram(binDirectory(), std::nullopt);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, FatalPrefix + "Value of environment variable HOME was not found.\n");
    EXPECT_EQ(result.out, "");
}

TEST(ProgramStart, NoDefaultsBesideTheWorkingDirectory)
{
    TempDir cwd;
    TempDir home;
    const ProgramResult result = runProgram(cwd.path(), home.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, FatalPrefix + "Failed to copy config file engine.cfg.\n");
    EXPECT_TRUE(fs::is_directory(home.file(".spindlewake")));
    EXPECT_FALSE(fs::exists(home.file(".spindlewake/engine.cfg")));
}

TEST(ProgramStart, PerUserConfigurationThatIsAFolder)
{
    TempDir home;
    fs::create_directories(home.file(".spindlewake/engine.cfg"));
    const ProgramResult result = runProgram(binDirectory(), home.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(
        result.err, FatalPrefix + "Configuration file " + home.file(".spindlewake/engine.cfg") + " is not a file.\n");
}

TEST(ProgramStart, UnusableHomeIsReported)
{
    TempDir home;
    const std::string blocked = home.write("plain-file", "x");
    const ProgramResult result = runProgram(binDirectory(), blocked);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, FatalPrefix + "Failed to create data directory " + blocked + "/.spindlewake.\n");
}
