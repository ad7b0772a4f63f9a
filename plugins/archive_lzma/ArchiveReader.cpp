#include "plugins/archive_lzma/ArchiveReader.h"

#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolva::plugin::archive::lzma {

namespace {

const std::size_t kReadBlock = 64 * 1024;

// libarchive converts the UTF-16 names of 7z entries into the character set of the calling
// thread's locale. Under the C locale (the default of every program that never calls setlocale)
// any non-ASCII name fails to convert and comes back null, so every libarchive call runs with a
// UTF-8 character locale on its own thread, leaving the program's locale alone.
class Utf8LocaleScope {
public:
    Utf8LocaleScope()
    {
        // Made once, freed when the plug-in library is unloaded.
        static const struct Utf8Locale {
            Utf8Locale()
            {
                mLocale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
                if (!mLocale) {
                    mLocale = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
                }
            }
            ~Utf8Locale()
            {
                if (mLocale) {
                    freelocale(mLocale);
                }
            }
            locale_t mLocale;
        } utf8;
        if (utf8.mLocale) {
            mPrevious = uselocale(utf8.mLocale);
        }
    }
    ~Utf8LocaleScope()
    {
        if (mPrevious) {
            uselocale(mPrevious);
        }
    }
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

private:
    locale_t mPrevious = static_cast<locale_t>(0);
};

} // namespace

ArchiveReader::ArchiveReader(int fd)
    : mFd(fd)
    , mFileBuffer(kReadBlock)
    , mDataBuffer(kReadBlock)
{
    struct stat info;
    if (fstat(mFd, &info) == 0) {
        mFileSize = info.st_size;
    }
    Utf8LocaleScope locale;
    mArchive = archive_read_new();
}

ArchiveReader::~ArchiveReader()
{
    Utf8LocaleScope locale;
    if (mArchive) {
        archive_read_free(mArchive);
    }
}

bool ArchiveReader::open()
{
    if (!mArchive || mOpen) {
        return false;
    }
    Utf8LocaleScope locale;
    // Only 7z: zip, tar and the rest must be refused, not read.
    if (archive_read_support_format_7zip(mArchive) != ARCHIVE_OK) {
        return false;
    }
    archive_read_set_read_callback(mArchive, &ArchiveReader::readCallback);
    archive_read_set_skip_callback(mArchive, &ArchiveReader::skipCallback);
    archive_read_set_seek_callback(mArchive, &ArchiveReader::seekCallback);
    archive_read_set_callback_data(mArchive, this);
    mOpen = archive_read_open1(mArchive) == ARCHIVE_OK;
    return mOpen;
}

ArchiveReader::Step ArchiveReader::next(Header& header)
{
    if (!mOpen) {
        return Step::Failed;
    }
    Utf8LocaleScope locale;
    struct archive_entry* entry = nullptr;
    int result = archive_read_next_header(mArchive, &entry);
    if (result == ARCHIVE_EOF) {
        return Step::End;
    }
    // A warning still describes an entry (for example one whose name could not be converted);
    // anything worse leaves the pass unusable.
    if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
        return Step::Failed;
    }
    if (!entry) {
        return Step::Failed;
    }
    ++mNextIndex;

    const char* name = archive_entry_pathname_utf8(entry);
    if (!name) {
        name = archive_entry_pathname(entry);
    }
    header.named = name != nullptr && *name != '\0';
    header.name = header.named ? name : "";
    header.directory = archive_entry_filetype(entry) == AE_IFDIR;
    // libarchive names directories "dir/"; the archive's own name for them is "dir".
    if (header.directory) {
        while (header.name.size() > 1 && header.name.back() == '/') {
            header.name.pop_back();
        }
    }
    la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    header.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    header.modified = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
    return Step::Entry;
}

bool ArchiveReader::readData(std::uint64_t expectedSize, EntryCache::Bytes& out)
{
    out.clear();
    if (!mOpen || mNextIndex == 0) {
        return false;
    }
    Utf8LocaleScope locale;
    // The size comes from the archive and may be a lie: never reserve more than a block ahead.
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(expectedSize, 1 << 20)));
    std::uint64_t total = 0;
    for (;;) {
        la_ssize_t count = archive_read_data(mArchive, mDataBuffer.data(), mDataBuffer.size());
        if (count == 0) {
            break;
        }
        // Negative results include ARCHIVE_WARN, which is how a CRC mismatch is reported after
        // the damaged bytes were already handed out.
        if (count < 0) {
            return false;
        }
        total += static_cast<std::uint64_t>(count);
        if (total > expectedSize) {
            return false;
        }
        out.insert(out.end(), mDataBuffer.data(), mDataBuffer.data() + count);
    }
    return total == expectedSize;
}

la_ssize_t ArchiveReader::readCallback(struct ::archive* a, void* self, const void** buffer)
{
    auto* reader = static_cast<ArchiveReader*>(self);
    ssize_t count;
    do {
        count = pread(reader->mFd, reader->mFileBuffer.data(), reader->mFileBuffer.size(), reader->mPosition);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        archive_set_error(a, errno, "Read error");
        return -1;
    }
    reader->mPosition += count;
    *buffer = reader->mFileBuffer.data();
    return count;
}

la_int64_t ArchiveReader::skipCallback(struct ::archive*, void* self, la_int64_t request)
{
    auto* reader = static_cast<ArchiveReader*>(self);
    if (request <= 0) {
        return 0;
    }
    la_int64_t left = std::max<la_int64_t>(reader->mFileSize - reader->mPosition, 0);
    la_int64_t skipped = std::min(request, left);
    reader->mPosition += skipped;
    return skipped;
}

la_int64_t ArchiveReader::seekCallback(struct ::archive* a, void* self, la_int64_t offset, int whence)
{
    auto* reader = static_cast<ArchiveReader*>(self);
    la_int64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = reader->mPosition;
        break;
    case SEEK_END:
        base = reader->mFileSize;
        break;
    default:
        return ARCHIVE_FATAL;
    }
    // Offsets come from the archive's header: keep the sum from overflowing.
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) {
        archive_set_error(a, EINVAL, "Seek out of range");
        return ARCHIVE_FATAL;
    }
    reader->mPosition = base + offset;
    return reader->mPosition;
}

} // namespace tolva::plugin::archive::lzma
