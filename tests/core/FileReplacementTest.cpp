#include "core/FileReplacement.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

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
