#include "plugins/archive_lzma/Archive.h"

#include <OgreException.h>
#include <OgreLogManager.h>
#include <OgreString.h>

#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tolva::plugin::archive::lzma {

const std::size_t Archive::msCacheBudget = 8 * 1024 * 1024;
const std::size_t Archive::msNoEntry = std::numeric_limits<std::size_t>::max();

Archive::Archive(const Ogre::String& name, const Ogre::String& archType)
    : Ogre::Archive(name, archType)
    , mCache(msCacheBudget)
{
}

Archive::~Archive()
{
    unload();
}

bool Archive::isCaseSensitive() const
{
    return true;
}

void Archive::load()
{
    unload();
    // Without O_NONBLOCK, opening a named pipe would wait for a writer that never comes; a
    // regular file reads the same either way.
    int fd = ::open(mName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw Ogre::InternalErrorException(
            Ogre::Exception::ERR_INTERNAL_ERROR, mName + " failed to open.", "load", "Archive", 176);
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        // A folder, a pipe or a device: nothing that can be read as a 7z file.
        ::close(fd);
        throw Ogre::InternalErrorException(
            Ogre::Exception::ERR_INTERNAL_ERROR, mName + " is not a valid LZMA archive.", "load", "Archive", 193);
    }

    std::vector<Entry> entries;
    bool valid;
    {
        ArchiveReader reader(fd);
        valid = reader.open();
        Entry entry;
        while (valid) {
            ArchiveReader::Step step = reader.next(entry);
            if (step == ArchiveReader::Step::End) {
                break;
            }
            valid = step == ArchiveReader::Step::Entry;
            if (valid) {
                entries.push_back(entry);
            }
        }
    }
    if (!valid) {
        // The rendering engine never unloads an archive whose load failed: close it here.
        ::close(fd);
        throw Ogre::InternalErrorException(
            Ogre::Exception::ERR_INTERNAL_ERROR, mName + " is not a valid LZMA archive.", "load", "Archive", 193);
    }

    std::lock_guard<std::mutex> lock(mMutex);
    mFd = fd;
    mEntries = std::move(entries);
    for (std::size_t i = 0; i < mEntries.size(); ++i) {
        if (mEntries[i].named) {
            mIndexByName.emplace(mEntries[i].name, i);
        }
    }
}

void Archive::unload()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mReader.reset();
    mCache.clear();
    mEntries.clear();
    mIndexByName.clear();
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
}

Ogre::DataStreamPtr Archive::open(const Ogre::String& filename, bool) const
{
    std::size_t index = getFileIndex(filename);
    if (index == msNoEntry) {
        logMessage(filename + " failed to be found in archive.");
        return Ogre::DataStreamPtr();
    }

    // Running out of memory is one more way an entry cannot be extracted: the entry's data, the
    // cache and the stream all grow with the entry's size.
    try {
        EntryCache::Bytes data;
        if (mEntries[index].size > 0) {
            std::lock_guard<std::mutex> lock(mMutex);
            bool read = false;
            try {
                read = readEntry(index, data);
            } catch (const std::bad_alloc&) {
                // The pass stopped somewhere inside an entry: the next open starts a new one.
                mReader.reset();
            }
            if (!read) {
                logMessage(filename + " failed to extract correctly.");
                return Ogre::DataStreamPtr();
            }
        }
        Ogre::DataStreamPtr stream(new Ogre::MemoryDataStream(filename, data.size(), true, true));
        if (!data.empty()) {
            std::memcpy(static_cast<Ogre::MemoryDataStream&>(*stream).getPtr(), data.data(), data.size());
        }
        return stream;
    } catch (const std::bad_alloc&) {
        logMessage(filename + " failed to extract correctly.");
        return Ogre::DataStreamPtr();
    }
}

Ogre::StringVectorPtr Archive::list(bool recursive, bool dirs) const
{
    return _find(&recursive, &dirs, nullptr);
}

Ogre::FileInfoListPtr Archive::listFileInfo(bool recursive, bool dirs) const
{
    return _findInfo(&recursive, &dirs, nullptr);
}

Ogre::StringVectorPtr Archive::find(const Ogre::String& pattern, bool recursive, bool dirs) const
{
    return _find(&recursive, &dirs, &pattern);
}

Ogre::FileInfoListPtr Archive::findFileInfo(const Ogre::String& pattern, bool recursive, bool dirs) const
{
    return _findInfo(&recursive, &dirs, &pattern);
}

bool Archive::exists(const Ogre::String& filename) const
{
    return getFileIndex(filename) != msNoEntry;
}

time_t Archive::getModifiedTime(const Ogre::String& filename) const
{
    std::size_t index = getFileIndex(filename);
    return index == msNoEntry ? 0 : mEntries[index].modified;
}

Ogre::StringVectorPtr Archive::_find(const bool* recursive, const bool* dirs, const Ogre::String* pattern) const
{
    Ogre::StringVectorPtr names(new Ogre::StringVector());
    for (const Entry& entry : mEntries) {
        if (!isFiltered(entry, recursive, dirs, pattern)) {
            names->push_back(entry.name);
        }
    }
    return names;
}

Ogre::FileInfoListPtr Archive::_findInfo(const bool* recursive, const bool* dirs, const Ogre::String* pattern) const
{
    Ogre::FileInfoListPtr infos(new Ogre::FileInfoList());
    for (const Entry& entry : mEntries) {
        if (isFiltered(entry, recursive, dirs, pattern)) {
            continue;
        }
        Ogre::FileInfo info;
        info.archive = this;
        info.filename = entry.name;
        Ogre::StringUtil::splitFilename(entry.name, info.basename, info.path);
        info.compressedSize = static_cast<std::size_t>(entry.size);
        info.uncompressedSize = static_cast<std::size_t>(entry.size);
        infos->push_back(info);
    }
    return infos;
}

std::size_t Archive::getFileIndex(const Ogre::String& name) const
{
    auto it = mIndexByName.find(name);
    return it == mIndexByName.end() ? msNoEntry : it->second;
}

bool Archive::isFiltered(const Entry& entry, const bool* recursive, const bool* dirs, const Ogre::String* pattern) const
{
    // An entry whose name libarchive could not give can be neither listed nor opened.
    if (!entry.named) {
        return true;
    }
    if (dirs && entry.directory != *dirs) {
        return true;
    }
    if (recursive && !*recursive && isPathWithDirectory(entry.name)) {
        return true;
    }
    if (pattern && !Ogre::StringUtil::match(getBasename(entry.name), *pattern, true)) {
        return true;
    }
    return false;
}

bool Archive::isPathWithDirectory(const Ogre::String& name)
{
    return name.find('/') != Ogre::String::npos;
}

Ogre::String Archive::getPathComponent(const Ogre::String& name, bool basename)
{
    Ogre::String base, path;
    Ogre::StringUtil::splitFilename(name, base, path);
    return basename ? base : path;
}

Ogre::String Archive::getBasename(const Ogre::String& name)
{
    return getPathComponent(name, true);
}

Ogre::String Archive::getPath(const Ogre::String& name)
{
    return getPathComponent(name, false);
}

bool Archive::readEntry(std::size_t index, EntryCache::Bytes& out) const
{
    if (const EntryCache::Bytes* cached = mCache.find(index)) {
        out = *cached;
        return true;
    }
    if (readEntryOnce(index, true, out)) {
        return true;
    }
    // The first attempt may have failed on a damaged neighbour it decoded on the way; a pass
    // that only skips to the entry checks nothing but the entry itself.
    return readEntryOnce(index, false, out);
}

bool Archive::readEntryOnce(std::size_t index, bool mayUseReader, EntryCache::Bytes& out) const
{
    if (mFd < 0) {
        return false;
    }
    // Moving the standing reader forward decodes everything in between (libarchive decodes what
    // it skips once a pass has read data), so it is used only while that stays within what the
    // cache can keep, and what it passes is kept. Otherwise a new pass starts. It too keeps what
    // it passes when that fits in the cache: in a solid folder those bytes are decoded anyway,
    // and elsewhere the extra decode is bounded and pays off when the entries are asked for.
    // Beyond that it only skips, and libarchive decodes just the part of the entry's own folder
    // before it.
    bool useReader = mayUseReader && mReader && mReader->getNextIndex() <= index
        && getBytesBetween(mReader->getNextIndex(), index) <= msCacheBudget;
    if (!useReader) {
        mReader.reset();
        auto reader = std::make_unique<ArchiveReader>(mFd);
        if (!reader->open()) {
            return false;
        }
        mReader = std::move(reader);
    }
    bool keepPassed = mayUseReader && getBytesBetween(mReader->getNextIndex(), index) <= msCacheBudget;

    Entry header;
    while (mReader->getNextIndex() <= index) {
        std::size_t current = mReader->getNextIndex();
        if (mReader->next(header) != ArchiveReader::Step::Entry) {
            mReader.reset();
            return false;
        }
        const Entry& expected = mEntries[current];
        // The file must still be the one whose table was read at load.
        if (header.name != expected.name || header.size != expected.size) {
            mReader.reset();
            return false;
        }
        if (current == index) {
            break;
        }
        if (keepPassed && header.size > 0 && !mCache.find(current)) {
            EntryCache::Bytes passed;
            if (!mReader->readData(header.size, passed)) {
                mReader.reset();
                return false;
            }
            mCache.insert(current, std::move(passed));
        }
    }
    if (!mReader->readData(mEntries[index].size, out)) {
        mReader.reset();
        return false;
    }
    // A reader past the last entry can serve nothing more: free its decoder now.
    if (mReader->getNextIndex() >= mEntries.size()) {
        mReader.reset();
    }
    if (out.size() <= mCache.getBudget()) {
        mCache.insert(index, out);
    }
    return true;
}

std::uint64_t Archive::getBytesBetween(std::size_t first, std::size_t last) const
{
    std::uint64_t total = 0;
    for (std::size_t i = first; i < last && i < mEntries.size(); ++i) {
        if (mEntries[i].size > std::numeric_limits<std::uint64_t>::max() - total) {
            return std::numeric_limits<std::uint64_t>::max();
        }
        total += mEntries[i].size;
    }
    return total;
}

void Archive::logMessage(const Ogre::String& message) const
{
    if (Ogre::LogManager* logs = Ogre::LogManager::getSingletonPtr()) {
        logs->logMessage(message, Ogre::LML_NORMAL, false);
    } else {
        std::cerr << message << std::endl;
    }
}

} // namespace tolva::plugin::archive::lzma
