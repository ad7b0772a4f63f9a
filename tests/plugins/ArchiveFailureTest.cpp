// Bad input: files that cannot be opened or are no 7z archives, damaged and encrypted entries,
// names that are not in the archive. Each gives its message and leaves nothing open behind.
#include "ArchiveTestSupport.h"
#include "plugins/archive_lzma/ArchiveReader.h"
#include "support/TempDir.h"

#include <OgreException.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>

using namespace tolva::test;

namespace {

std::size_t openDescriptors()
{
    std::size_t count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

class ArchiveLoadFailure : public ArchiveTestBase {
protected:
    /// Loads the fixture expecting the internal-error exception; returns its description.
    void expectLoadFailure(const std::string& path, const std::string& message, long line)
    {
        std::size_t before = openDescriptors();
        lzma::Archive archive(path, "LZMA");
        try {
            archive.load();
            ADD_FAILURE() << path << " loaded";
        } catch (const Ogre::InternalErrorException& e) {
            EXPECT_EQ(e.getDescription(), path + message);
            EXPECT_EQ(e.getSource(), "load");
            EXPECT_STREQ(e.getFile(), "Archive");
            EXPECT_EQ(e.getLine(), line);
        }
        EXPECT_EQ(openDescriptors(), before) << path << " left a file open";
        EXPECT_TRUE(archive.list(true, true)->empty());
        EXPECT_TRUE(archive.list(true, false)->empty());
    }
};

class ArchiveOpenFailure : public ArchiveTestBase { };

} // namespace

TEST_F(ArchiveLoadFailure, MissingFileFailsToOpen)
{
    expectLoadFailure(fixture("no-such-archive.7z"), " failed to open.", 176);
}

TEST_F(ArchiveLoadFailure, FilesThatAreNot7z)
{
    for (const char* name : {"not-7z.zip", "not-7z.tar", "not-7z.txt", "empty.7z"}) {
        expectLoadFailure(fixture(name), " is not a valid LZMA archive.", 193);
    }
}

TEST_F(ArchiveLoadFailure, TruncatedDamagedAndEncryptedHeaders)
{
    for (const char* name : {"truncated.7z", "damaged-header.7z", "encrypted-header.7z", "huge-count.7z"}) {
        expectLoadFailure(fixture(name), " is not a valid LZMA archive.", 193);
    }
}

TEST_F(ArchiveLoadFailure, AFolderIsNoArchive)
{
    expectLoadFailure(std::string(TOLVA_ARCHIVE_FIXTURES), " is not a valid LZMA archive.", 193);
}

TEST_F(ArchiveLoadFailure, UnloadClosesTheFile)
{
    std::size_t before = openDescriptors();
    {
        auto archive = loaded("solid.7z");
        EXPECT_EQ(readAll(archive->open("scripts/file05.txt")), generatedFile(5));
        EXPECT_GT(openDescriptors(), before);
        archive->unload();
        EXPECT_EQ(openDescriptors(), before);
        archive->load();
    }
    // Deleted while loaded: nothing stays open either.
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(ArchiveOpenFailure, NameNotInTheArchive)
{
    auto archive = loaded("entries.7z");
    EXPECT_FALSE(archive->open("missing.txt"));
    EXPECT_FALSE(archive->open("TOP.TXT"));
    EXPECT_FALSE(archive->open("readme.txt"));
    EXPECT_FALSE(archive->open("dir/"));
    EXPECT_EQ(mLines,
        std::vector<std::string>(
            {"missing.txt failed to be found in archive.", "TOP.TXT failed to be found in archive.",
                "readme.txt failed to be found in archive.", "dir/ failed to be found in archive."}));
    for (Ogre::LogMessageLevel level : mLevels) {
        EXPECT_EQ(level, Ogre::LML_NORMAL);
    }
}

TEST_F(ArchiveOpenFailure, CrcMismatchIsAFailureNotData)
{
    // crc.7z is stored.7z with the first data byte inverted, which belongs to second.txt.
    auto intact = loaded("stored.7z");
    EXPECT_EQ(readAll(intact->open("second.txt")), "second stored file\n");

    auto archive = loaded("crc.7z");
    EXPECT_FALSE(archive->open("second.txt"));
    EXPECT_EQ(mLines, std::vector<std::string>({"second.txt failed to extract correctly."}));
    // The damaged neighbour does not spoil the entry after it, nor a second try.
    EXPECT_EQ(readAll(archive->open("stored.txt")), "stored data that will be damaged\n");
    EXPECT_FALSE(archive->open("second.txt"));

    auto fresh = loaded("crc.7z");
    EXPECT_EQ(readAll(fresh->open("stored.txt")), "stored data that will be damaged\n");
}

TEST_F(ArchiveOpenFailure, EncryptedEntryFailsToExtract)
{
    auto archive = loaded("encrypted.7z");
    EXPECT_TRUE(archive->exists("secret.txt"));
    EXPECT_FALSE(archive->open("secret.txt"));
    EXPECT_EQ(mLines, std::vector<std::string>({"secret.txt failed to extract correctly."}));
}

TEST_F(ArchiveOpenFailure, OpenBeforeLoadFindsNothing)
{
    lzma::Archive archive(fixture("entries.7z"), "LZMA");
    EXPECT_FALSE(archive.open("top.txt"));
    EXPECT_FALSE(archive.exists("top.txt"));
    EXPECT_EQ(archive.getModifiedTime("top.txt"), 0);
    EXPECT_EQ(mLines, std::vector<std::string>({"top.txt failed to be found in archive."}));
}

TEST_F(ArchiveOpenFailure, AnArchiveRewrittenSinceLoadGivesNoDataOfAnotherEntry)
{
    // The same entry grown, and another entry of the same size in its place.
    for (const char* changed : {"changed-size.7z", "changed-name.7z"}) {
        TempDir dir;
        const std::string path = dir.write("pack.7z", readFile(fixture("before-change.7z")));
        lzma::Archive archive(path, "LZMA");
        archive.load();
        // Rewritten in place: the archive's open file now reads the new content.
        std::ofstream(path, std::ios::binary | std::ios::trunc) << readFile(fixture(changed));

        mLines.clear();
        EXPECT_FALSE(archive.open("entry.txt")) << changed;
        EXPECT_EQ(mLines, std::vector<std::string>({"entry.txt failed to extract correctly."})) << changed;
    }
}

TEST(ArchiveReaderData, DataOfAnotherLengthThanExpectedIsRefusedAndNotReadBeyond)
{
    const int fd = ::open(fixture("before-change.7z").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const std::uint64_t actual = 17;
    const struct {
        std::uint64_t expected;
        bool accepted;
    } cases[] = {{actual, true}, {actual - 1, false}, {actual + 1, false}, {0, false}};
    for (const auto& c : cases) {
        lzma::ArchiveReader reader(fd);
        lzma::ArchiveReader::Header header;
        ASSERT_TRUE(reader.open());
        ASSERT_EQ(reader.next(header), lzma::ArchiveReader::Step::Entry);
        ASSERT_EQ(header.size, actual);
        lzma::EntryCache::Bytes data;
        EXPECT_EQ(reader.readData(c.expected, data), c.accepted) << c.expected;
        EXPECT_LE(data.size(), c.expected) << c.expected;
    }
    ::close(fd);
}
