// Decoded entries of one 7z archive kept after they were read, so that opening them again (or
// opening them after the reader has passed them in a solid folder) costs no second decode.
// The cache holds at most its budget in bytes; the oldest entries go first.
#pragma once

#include <cstddef>
#include <deque>
#include <unordered_map>
#include <vector>

namespace tolva::plugin::archive::lzma {

class EntryCache {
public:
    using Bytes = std::vector<unsigned char>;

    explicit EntryCache(std::size_t budget);
    EntryCache(const EntryCache&) = delete;
    EntryCache& operator=(const EntryCache&) = delete;

    /// The bytes of the entry with this index, or null when they are not held. The pointer is
    /// valid until the next insert or clear.
    const Bytes* find(std::size_t index) const;
    /// Keeps the bytes of an entry, dropping the oldest entries until they fit. Data larger than
    /// the whole budget is not kept.
    void insert(std::size_t index, Bytes data);
    void clear();

    std::size_t getSize() const { return mSize; }
    std::size_t getBudget() const { return mBudget; }
    std::size_t getCount() const { return mEntries.size(); }

private:
    std::size_t mBudget;
    std::size_t mSize = 0;
    std::unordered_map<std::size_t, Bytes> mEntries;
    /// Indices in the order they were inserted: the front is evicted first.
    std::deque<std::size_t> mOrder;
};

} // namespace tolva::plugin::archive::lzma
