// One pass of libarchive's 7z reader over an archive file whose descriptor the caller keeps open.
// It reads with pread at its own position, so any number of passes over one file can be alive at
// once without moving each other. libarchive only reads forward: a pass hands out the entries in
// the archive's own order, and going back means starting a new pass.
#pragma once

#include "plugins/archive_lzma/EntryCache.h"

#include <archive.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace tolva::plugin::archive::lzma {

class ArchiveReader {
public:
    /// What the archive's entry table says about one entry.
    struct Header {
        /// Full name in UTF-8 with "/" between folders; a directory's name has no trailing "/".
        std::string name;
        /// False when libarchive could not give the name at all.
        bool named = false;
        bool directory = false;
        std::uint64_t size = 0;
        /// Seconds since 1970-01-01 UTC; 0 when the archive stores no time.
        std::time_t modified = 0;
    };

    enum class Step { Entry, End, Failed };

    /// The descriptor stays owned by the caller and must outlive the reader.
    explicit ArchiveReader(int fd);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    /// Reads the archive's signature and header. False when the file is no 7z archive that
    /// libarchive can read (wrong signature, damaged, truncated or encrypted header).
    bool open();
    /// Moves to the next entry and describes it. The data of the entry left behind is skipped.
    Step next(Header& header);
    /// Reads the whole data of the current entry. False on any error of the decoder, a CRC
    /// mismatch included (which libarchive reports only as a warning), and whenever the data is
    /// not exactly expectedSize bytes long.
    bool readData(std::uint64_t expectedSize, EntryCache::Bytes& out);

    /// Index (in the archive's order) of the entry that the next call of next() reaches.
    std::size_t getNextIndex() const { return mNextIndex; }

private:
    static la_ssize_t readCallback(struct ::archive* a, void* self, const void** buffer);
    static la_int64_t skipCallback(struct ::archive* a, void* self, la_int64_t request);
    static la_int64_t seekCallback(struct ::archive* a, void* self, la_int64_t offset, int whence);

    int mFd;
    la_int64_t mFileSize = 0;
    la_int64_t mPosition = 0;
    /// What the read callback hands libarchive: file bytes.
    std::vector<char> mFileBuffer;
    /// Where readData has libarchive put decoded bytes; never the same memory as mFileBuffer,
    /// which libarchive copies from when an entry is stored uncompressed.
    std::vector<char> mDataBuffer;
    struct ::archive* mArchive = nullptr;
    std::size_t mNextIndex = 0;
    bool mOpen = false;
};

} // namespace tolva::plugin::archive::lzma
