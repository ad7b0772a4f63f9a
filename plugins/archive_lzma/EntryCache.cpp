#include "plugins/archive_lzma/EntryCache.h"

namespace tolva::plugin::archive::lzma {

EntryCache::EntryCache(std::size_t budget)
    : mBudget(budget)
{
}

const EntryCache::Bytes* EntryCache::find(std::size_t index) const
{
    auto it = mEntries.find(index);
    return it == mEntries.end() ? nullptr : &it->second;
}

void EntryCache::insert(std::size_t index, Bytes data)
{
    if (data.size() > mBudget || mEntries.count(index) != 0) {
        return;
    }
    while (mSize + data.size() > mBudget && !mOrder.empty()) {
        auto oldest = mEntries.find(mOrder.front());
        mSize -= oldest->second.size();
        mEntries.erase(oldest);
        mOrder.pop_front();
    }
    mSize += data.size();
    mEntries.emplace(index, std::move(data));
    mOrder.push_back(index);
}

void EntryCache::clear()
{
    mEntries.clear();
    mOrder.clear();
    mSize = 0;
}

} // namespace tolva::plugin::archive::lzma
