#include "core/FileReplacement.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tolva::FileReplacement;
using tolva::test::readFile;
using tolva::test::TempDir;

/// Replaces the file with the text through a FileReplacement; false when any step fails.
bool replace(const std::string& target, const std::string& text)
{
    FileReplacement replacement(target);
    if (!replacement.create()) {
        return false;
    }
    std::ofstream(replacement.getTemporaryPath(), std::ios::binary) << text;
    return replacement.commit();
}

std::size_t countFiles(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(FileReplacement, AChainOfRelativeLinksIsFollowedToTheFileItNames)
{
    TempDir dir;
    const std::string real = dir.write("data/real.cfg", "old");
    fs::create_directories(dir.file("a/b"));
    fs::create_symlink("../data/real.cfg", dir.file("a/middle.cfg"));
    fs::create_symlink("../middle.cfg", dir.file("a/b/first.cfg"));

    ASSERT_TRUE(replace(dir.file("a/b/first.cfg"), "new"));
    EXPECT_EQ(readFile(real), "new");
    EXPECT_TRUE(fs::is_symlink(dir.file("a/middle.cfg")));
    EXPECT_TRUE(fs::is_symlink(dir.file("a/b/first.cfg")));
    EXPECT_EQ(countFiles(dir.file("data")), 1u);
}

TEST(FileReplacement, ReplacedFilesKeepTheirModeAndNewOnesFollowTheUmask)
{
    TempDir dir;
    const std::string kept = dir.write("kept.cfg", "old");
    for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
             fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read}) {
        fs::permissions(kept, mode);
        ASSERT_TRUE(replace(kept, "new"));
        EXPECT_EQ(fs::status(kept).permissions(), mode);
    }

    const mode_t previous = ::umask(027);
    const bool made = replace(dir.file("new.cfg"), "new");
    ::umask(previous);
    ASSERT_TRUE(made);
    EXPECT_EQ(fs::status(dir.file("new.cfg")).permissions(),
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace

TEST(FileReplacement, TemporaryFilesLeftByAProgramThatNoLongerRunsAreRemovedAtTheNextReplacement)
{
    TempDir dir;
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    waitpid(ended, nullptr, 0);
    const std::string gone = std::to_string(ended);
    const std::string running = std::to_string(getppid());
    const std::vector<std::pair<std::string, bool>> files = {
        {".engine.cfg." + gone + ".0.tmp", false},
        {".engine.cfg." + gone + ".17.tmp", false},
        {".engine.cfg." + running + ".1.tmp", true},
        {".controls.cfg." + gone + ".0.tmp", true},
        {".engine.cfg." + gone + ".tmp", true},
        {".engine.cfg.x" + gone + ".0.tmp", true},
        {".engine.cfg." + gone + ".0.tmp.keep", true},
    };
    for (const auto& [name, stays] : files) {
        dir.write(name, "left");
    }
    ASSERT_TRUE(replace(dir.file("engine.cfg"), "new"));
    for (const auto& [name, stays] : files) {
        EXPECT_EQ(fs::exists(dir.file(name)), stays) << name;
    }
}
