// The rendering engine's view of one 7z file: resource locations of type "LZMA" are opened as
// these archives. Entries are listed in the archive's own order, found by base-name patterns and
// opened as memory streams; all names are compared byte for byte.
//
// Reading uses libarchive, which only reads an archive forward. To keep reading a whole resource
// group in listing order at about the cost of one decode of the archive, the archive keeps one
// reader standing after the last entry it decoded, and keeps the decoded bytes of recent entries
// (up to msCacheBudget bytes) so that entries passed in a solid folder need no second decode.
// Both are released on unload.
#pragma once

#include "plugins/archive_lzma/ArchiveReader.h"
#include "plugins/archive_lzma/EntryCache.h"

#include <OgreArchive.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace tolva::plugin::archive::lzma {

class Archive : public Ogre::Archive {
public:
    /// Most bytes of decoded entries one archive keeps between calls of open.
    static const std::size_t msCacheBudget;

    /// name is the path of the 7z file; type is the factory's type, "LZMA".
    Archive(const Ogre::String& name, const Ogre::String& archType);
    /// Releases the file and everything decoded, if the archive is still loaded.
    ~Archive() override;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool isCaseSensitive() const override;
    /// Opens the file and reads its entry table. Throws Ogre::InternalErrorException
    /// "<name> failed to open." or "<name> is not a valid LZMA archive.".
    void load() override;
    void unload() override;

    /// A memory stream of the entry's bytes, or a null stream (with a log line) when there is
    /// no such entry or it cannot be decoded (damaged, unsupported, or more than the memory left
    /// can hold).
    Ogre::DataStreamPtr open(const Ogre::String& filename, bool readOnly = true) const override;
    Ogre::StringVectorPtr list(bool recursive = true, bool dirs = false) const override;
    Ogre::FileInfoListPtr listFileInfo(bool recursive = true, bool dirs = false) const override;
    Ogre::StringVectorPtr find(const Ogre::String& pattern, bool recursive = true, bool dirs = false) const override;
    Ogre::FileInfoListPtr findFileInfo(
        const Ogre::String& pattern, bool recursive = true, bool dirs = false) const override;
    bool exists(const Ogre::String& filename) const override;
    /// Seconds since 1970-01-01 UTC; 0 for a missing entry or one stored without a time.
    time_t getModifiedTime(const Ogre::String& filename) const override;

protected:
    /// The listings' filter and walk; a null flag or pattern turns that part of the filter off.
    Ogre::StringVectorPtr _find(const bool* recursive, const bool* dirs, const Ogre::String* pattern) const;
    Ogre::FileInfoListPtr _findInfo(const bool* recursive, const bool* dirs, const Ogre::String* pattern) const;

private:
    using Entry = ArchiveReader::Header;
    static const std::size_t msNoEntry;

    std::size_t getFileIndex(const Ogre::String& name) const;
    bool isFiltered(const Entry& entry, const bool* recursive, const bool* dirs, const Ogre::String* pattern) const;
    static bool isPathWithDirectory(const Ogre::String& name);
    static Ogre::String getPathComponent(const Ogre::String& name, bool basename);
    static Ogre::String getBasename(const Ogre::String& name);
    static Ogre::String getPath(const Ogre::String& name);

    /// Decodes the entry with this index into out; false when it cannot be decoded. Called with
    /// mMutex held.
    bool readEntry(std::size_t index, EntryCache::Bytes& out) const;
    /// One attempt of readEntry. With mayUseReader false it always starts a new pass that skips
    /// to the entry without keeping what it passes.
    bool readEntryOnce(std::size_t index, bool mayUseReader, EntryCache::Bytes& out) const;
    /// Sum of the sizes of the entries [first, last), saturating.
    std::uint64_t getBytesBetween(std::size_t first, std::size_t last) const;
    void logMessage(const Ogre::String& message) const;

    int mFd = -1;
    std::vector<Entry> mEntries;
    /// Index of the first entry of each name.
    std::unordered_map<std::string, std::size_t> mIndexByName;

    /// open() is const for the rendering engine but moves the reader and fills the cache.
    mutable std::mutex mMutex;
    mutable std::unique_ptr<ArchiveReader> mReader;
    mutable EntryCache mCache;
};

} // namespace tolva::plugin::archive::lzma
