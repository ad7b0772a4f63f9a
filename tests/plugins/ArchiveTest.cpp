// Listing, finding, times and reading of entries, on archives made by the 7z command.
#include "ArchiveTestSupport.h"
#include "support/TempDir.h"

#include <OgreDataStream.h>
#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <clocale>

using namespace tolva::test;
using Names = std::vector<std::string>;

namespace {

Names names(const Ogre::StringVectorPtr& list)
{
    return Names(list->begin(), list->end());
}

const Ogre::FileInfo* infoOf(const Ogre::FileInfoListPtr& infos, const std::string& name)
{
    for (const Ogre::FileInfo& info : *infos) {
        if (info.filename == name) {
            return &info;
        }
    }
    return nullptr;
}

class ArchiveListing : public ArchiveTestBase { };
class ArchiveOpen : public ArchiveTestBase { };

} // namespace

TEST_F(ArchiveListing, RecursiveAndDirectoryFlagsSelectEntries)
{
    auto archive = loaded("matrix.7z");
    EXPECT_EQ(names(archive->list(false, false)), Names({"top.txt"}));
    EXPECT_EQ(names(archive->list(true, false)), Names({"dir/inner.txt", "top.txt"}));
    EXPECT_EQ(names(archive->list(true, true)), Names({"dir"}));
    EXPECT_EQ(names(archive->list(false, true)), Names({"dir"}));
    EXPECT_EQ(names(archive->find("*", true, false)), Names({"dir/inner.txt", "top.txt"}));
}

TEST_F(ArchiveListing, KeepsTheArchivesOwnOrder)
{
    auto archive = loaded("entries.7z");
    // The order 7z wrote: not sorted by name ("empty.txt" before "README.txt").
    EXPECT_EQ(names(archive->list(true, false)),
        Names({"empty.txt", "README.txt", "Readme.txt", "dir/inner.txt", "dir/sub/deep.material",
            "fa\xC3\xA7"
            "ade-\xC3\xBC.txt",
            "top.txt"}));
    EXPECT_EQ(names(archive->list(true, true)), Names({"dir", "dir/sub", "emptydir"}));
    EXPECT_EQ(names(archive->list(false, true)), Names({"dir", "emptydir"}));
}

TEST_F(ArchiveListing, PatternsMatchTheBaseNameOnly)
{
    auto archive = loaded("entries.7z");
    EXPECT_EQ(names(archive->find("*.material", true)), Names({"dir/sub/deep.material"}));
    EXPECT_TRUE(archive->find("*.material", false)->empty());
    EXPECT_EQ(names(archive->find("inner.txt", true)), Names({"dir/inner.txt"}));
    EXPECT_EQ(names(archive->find("sub", true, true)), Names({"dir/sub"}));
    // A pattern holding "/" is never matched against the path.
    EXPECT_TRUE(archive->find("dir/inner.txt", true)->empty());
    EXPECT_TRUE(archive->find("*/inner.txt", true)->empty());
    EXPECT_TRUE(archive->findFileInfo("dir/*", true)->empty());
    // Case-sensitive.
    EXPECT_TRUE(archive->find("*.MATERIAL", true)->empty());
    EXPECT_EQ(names(archive->find("R*.txt", true)), Names({"README.txt", "Readme.txt"}));
}

TEST_F(ArchiveListing, FileInfoSplitsPathAndBaseName)
{
    auto archive = loaded("entries.7z");
    Ogre::FileInfoListPtr infos = archive->listFileInfo(true, false);
    ASSERT_EQ(infos->size(), 7u);
    const Ogre::FileInfo* inner = infoOf(infos, "dir/inner.txt");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->archive, archive.get());
    EXPECT_EQ(inner->path, "dir/");
    EXPECT_EQ(inner->basename, "inner.txt");
    EXPECT_EQ(inner->uncompressedSize, 11u);
    EXPECT_EQ(inner->compressedSize, 11u);
    const Ogre::FileInfo* deep = infoOf(infos, "dir/sub/deep.material");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->path, "dir/sub/");
    EXPECT_EQ(deep->basename, "deep.material");
    const Ogre::FileInfo* top = infoOf(infos, "top.txt");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->path, "");
    EXPECT_EQ(top->basename, "top.txt");

    Ogre::FileInfoListPtr found = archive->findFileInfo("*.material", true, false);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(found->front().filename, "dir/sub/deep.material");
    EXPECT_EQ(found->front().uncompressedSize, deep->uncompressedSize);
}

TEST_F(ArchiveListing, ExistsComparesWholeNamesCaseSensitively)
{
    auto archive = loaded("entries.7z");
    EXPECT_TRUE(archive->isCaseSensitive());
    EXPECT_TRUE(archive->exists("top.txt"));
    EXPECT_TRUE(archive->exists("dir"));
    EXPECT_TRUE(archive->exists("dir/sub/deep.material"));
    EXPECT_TRUE(archive->exists("emptydir"));
    EXPECT_FALSE(archive->exists("TOP.txt"));
    EXPECT_FALSE(archive->exists("Top.txt"));
    EXPECT_FALSE(archive->exists("dir/"));
    EXPECT_FALSE(archive->exists("inner.txt"));
    EXPECT_FALSE(archive->exists(""));
}

TEST_F(ArchiveListing, ModificationTimesInSecondsSince1970)
{
    auto archive = loaded("matrix.7z");
    EXPECT_EQ(archive->getModifiedTime("top.txt"), 0);
    EXPECT_EQ(archive->getModifiedTime("dir/inner.txt"), 1230768000);
    EXPECT_EQ(archive->getModifiedTime("dir"), 1230768000);
    EXPECT_EQ(archive->getModifiedTime("missing.txt"), 0);
    EXPECT_EQ(archive->getModifiedTime("TOP.txt"), 0);

    auto noTime = loaded("notime.7z");
    ASSERT_TRUE(noTime->exists("notime.txt"));
    EXPECT_EQ(noTime->getModifiedTime("notime.txt"), 0);
}

TEST_F(ArchiveListing, NonAsciiNamesUnderTheCLocale)
{
    // Every program starts in the C locale; say so explicitly, as libarchive depends on it.
    std::setlocale(LC_ALL, "C");
    auto archive = loaded("entries.7z");
    const std::string name = "fa\xC3\xA7"
                             "ade-\xC3\xBC.txt";
    EXPECT_TRUE(archive->exists(name));
    EXPECT_EQ(readAll(archive->open(name)), "non-ASCII name\n");

    // A Latin-1 byte in a file name: 7z keeps it as the private-use character U+EFE9.
    auto bytes = loaded("bytes.7z");
    const std::string latin = "caf\xEE\xBF\xA9.txt";
    EXPECT_EQ(names(bytes->list(true, false)), Names({latin}));
    EXPECT_EQ(readAll(bytes->open(latin)), "latin-1 name\n");
    EXPECT_EQ(std::string(std::setlocale(LC_ALL, nullptr)), "C");
}

TEST_F(ArchiveListing, UnloadForgetsEntriesAndLoadReadsThemAgain)
{
    auto archive = loaded("matrix.7z");
    archive->unload();
    EXPECT_TRUE(archive->list(true, false)->empty());
    EXPECT_FALSE(archive->exists("top.txt"));
    EXPECT_FALSE(archive->open("top.txt"));
    archive->load();
    EXPECT_EQ(readAll(archive->open("top.txt")), "top level file\n");
}

TEST_F(ArchiveOpen, StreamHoldsExactlyTheEntrysBytes)
{
    auto archive = loaded("entries.7z");
    Ogre::DataStreamPtr stream = archive->open("dir/inner.txt");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->getName(), "dir/inner.txt");
    EXPECT_EQ(stream->size(), 11u);
    EXPECT_EQ(stream->getAsString(), "inner file\n");
    EXPECT_EQ(readAll(archive->open("Readme.txt")), "capitalised readme\n");
    EXPECT_EQ(readAll(archive->open("README.txt")), "READ ME IN CAPITALS\n");
    EXPECT_EQ(readAll(archive->open("top.txt")), "top level file\n");
    // Opening again (now from what was kept) gives the same bytes.
    EXPECT_EQ(readAll(archive->open("dir/inner.txt")), "inner file\n");
    EXPECT_TRUE(mLines.empty());
}

TEST_F(ArchiveOpen, EntriesWithoutDataAreEmptyStreams)
{
    auto archive = loaded("entries.7z");
    for (const char* name : {"empty.txt", "dir", "emptydir", "dir/sub"}) {
        Ogre::DataStreamPtr stream = archive->open(name);
        ASSERT_TRUE(stream) << name;
        EXPECT_EQ(stream->size(), 0u) << name;
        EXPECT_TRUE(stream->eof()) << name;
    }
    EXPECT_TRUE(mLines.empty());
}

TEST_F(ArchiveOpen, SecondFileOfASolidFolder)
{
    auto archive = loaded("solid.7z");
    // media/solid.material opens the folder; scripts/file01.txt follows it.
    Ogre::DataStreamPtr stream = archive->open("scripts/file01.txt");
    ASSERT_TRUE(stream);
    Ogre::FileInfoListPtr infos = archive->listFileInfo(true, false);
    const Ogre::FileInfo* info = infoOf(infos, "scripts/file01.txt");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(stream->size(), info->uncompressedSize);
    EXPECT_EQ(stream->getAsString(), generatedFile(1));
}

TEST_F(ArchiveOpen, EveryEntryInAnyOrder)
{
    for (const char* file : {"solid.7z", "nonsolid.7z"}) {
        auto archive = loaded(file);
        Names all = names(archive->find("file*.txt", true, false));
        ASSERT_EQ(all.size(), 40u) << file;
        auto expected
            = [](const std::string& name) { return generatedFile(std::stoi(name.substr(name.size() - 6, 2))); };
        // Listing order, backwards, a scattered order, then after unload and load.
        Names backwards(all.rbegin(), all.rend());
        Names scattered;
        for (std::size_t i = 0; i < all.size(); ++i) {
            scattered.push_back(all[(i * 17) % all.size()]);
        }
        for (const Names* order : {&all, &backwards, &scattered}) {
            for (const std::string& name : *order) {
                EXPECT_EQ(readAll(archive->open(name)), expected(name)) << file << " " << name;
            }
        }
        archive->unload();
        archive->load();
        for (const std::string& name : backwards) {
            EXPECT_EQ(readAll(archive->open(name)), expected(name)) << file << " " << name;
        }
        EXPECT_EQ(readAll(archive->open("media/solid.material")), "material solid_material\n{\n}\n");
    }
    EXPECT_TRUE(mLines.empty());
}

TEST_F(ArchiveOpen, TwoArchivesOverOneFileReadIndependently)
{
    auto first = loaded("solid.7z");
    auto second = loaded("solid.7z");
    EXPECT_EQ(readAll(first->open("scripts/file30.txt")), generatedFile(30));
    EXPECT_EQ(readAll(second->open("scripts/file02.txt")), generatedFile(2));
    EXPECT_EQ(readAll(first->open("scripts/file03.txt")), generatedFile(3));
    EXPECT_EQ(readAll(second->open("scripts/file40.txt")), generatedFile(40));
}

namespace {

/// Bytes of the generated entry number i of the large archive.
std::string largeEntry(int i, std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t j = 0; j < size; ++j) {
        bytes[j] = static_cast<char>((i * 31 + j * 7 + j / 4096) & 0xFF);
    }
    return bytes;
}

/// Writes a solid, uncompressed 7z archive with libarchive's own writer: larger than what an
/// archive keeps decoded, without committing megabytes of fixtures.
void writeLargeArchive(const std::string& path, int entries, std::size_t size)
{
    struct archive* writer = archive_write_new();
    ASSERT_EQ(archive_write_set_format_7zip(writer), ARCHIVE_OK);
    ASSERT_EQ(archive_write_set_format_option(writer, "7zip", "compression", "store"), ARCHIVE_OK);
    ASSERT_EQ(archive_write_open_filename(writer, path.c_str()), ARCHIVE_OK);
    for (int i = 0; i < entries; ++i) {
        std::string data = largeEntry(i, size);
        struct archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, ("large/entry" + std::to_string(i) + ".bin").c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(data.size()));
        ASSERT_EQ(archive_write_header(writer, entry), ARCHIVE_OK);
        ASSERT_EQ(archive_write_data(writer, data.data(), data.size()), static_cast<la_ssize_t>(data.size()));
        archive_entry_free(entry);
    }
    ASSERT_EQ(archive_write_close(writer), ARCHIVE_OK);
    archive_write_free(writer);
}

} // namespace

TEST_F(ArchiveOpen, ArchivesLargerThanWhatIsKeptDecoded)
{
    const int entries = 24;
    const std::size_t size = 512 * 1024;
    ASSERT_GT(entries * size, lzma::Archive::msCacheBudget);
    TempDir dir;
    const std::string path = dir.file("large.7z");
    writeLargeArchive(path, entries, size);

    lzma::Archive archive(path, "LZMA");
    archive.load();
    ASSERT_EQ(archive.list()->size(), static_cast<std::size_t>(entries));
    auto expectEntry = [&](int i) {
        Ogre::DataStreamPtr stream = archive.open("large/entry" + std::to_string(i) + ".bin");
        ASSERT_TRUE(stream) << i;
        EXPECT_TRUE(stream->getAsString() == largeEntry(i, size)) << "entry " << i;
    };
    // Forward, then far back, then jumps further than the kept bytes in both directions.
    for (int i = 0; i < entries; ++i) {
        expectEntry(i);
    }
    for (int i : {0, 23, 1, 22, 2, 5, 20, 3, 19, 4}) {
        expectEntry(i);
    }
    for (int i = entries - 1; i >= 0; i -= 3) {
        expectEntry(i);
    }
    EXPECT_TRUE(mLines.empty());
}
