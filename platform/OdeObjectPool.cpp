#include "platform/OdeObjectPool.h"

#include <ode/ode.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TOLVA_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define TOLVA_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define TOLVA_POISON(address, size) ((void)(address), (void)(size))
#define TOLVA_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace tolva::ode {

namespace {

/// Block sizes are whole granules: ODE's objects hold doubles and want what malloc aligns to.
constexpr size_t GRANULE = 16;
/// In front of every block: its size in granules. Blocks start 8 bytes into a granule, so what
/// ODE gets is aligned to a whole one.
constexpr size_t HEADER = 8;
constexpr size_t CHUNK = 256 * 1024;
constexpr size_t CLASSES = (ObjectPool::MAX_POOLED + HEADER + GRANULE - 1) / GRANULE + 1;

thread_local unsigned gScopeDepth = 0;

class Pool {
public:
    /// A block of the size, or null when no chunk can be had.
    void* allocate(size_t size)
    {
        const size_t granules = (size + HEADER + GRANULE - 1) / GRANULE;
        std::vector<char*>& freed = mFree[granules];
        char* block = nullptr;
        if (!freed.empty()) {
            block = freed.back();
            freed.pop_back();
            ++chunkOf(block)->live;
        } else {
            const size_t bytes = granules * GRANULE;
            if (!mCurrent || size_t(mLimit - mNext) < bytes) {
                if (!addChunk()) {
                    return nullptr;
                }
            }
            block = mNext;
            mNext += bytes;
            ++chunkOf(block)->live;
        }
        TOLVA_UNPOISON(block, HEADER + size);
        *reinterpret_cast<uint32_t*>(block) = uint32_t(granules);
        ++mBlocks;
        return block + HEADER;
    }

    /// What an owned block can hold.
    static size_t capacity(const void* memory)
    {
        return *reinterpret_cast<const uint32_t*>(static_cast<const char*>(memory) - HEADER) * GRANULE - HEADER;
    }

    void release(void* memory)
    {
        char* block = static_cast<char*>(memory) - HEADER;
        const uint32_t granules = *reinterpret_cast<uint32_t*>(block);
        TOLVA_POISON(memory, granules * GRANULE - HEADER);
        mFree[granules].push_back(block);
        --mBlocks;
        const auto chunk = chunkOf(block);
        if (--chunk->live == 0 && chunk->base != mCurrent) {
            dropChunk(chunk);
        }
    }

    bool owns(const void* memory) const { return chunkOf(memory) != mChunks.end(); }

    size_t getBlockCount() const { return mBlocks; }
    size_t getChunkCount() const { return mChunks.size(); }

    std::mutex mutex;
    dAllocFunction* nextAlloc = nullptr;
    dReallocFunction* nextRealloc = nullptr;
    dFreeFunction* nextFree = nullptr;

private:
    struct Chunk {
        char* base;
        size_t live;
    };
    using Chunks = std::vector<Chunk>;

    /// The chunk holding the address, or the end.
    Chunks::const_iterator chunkOf(const void* memory) const
    {
        const auto byAddress = std::less<const void*>();
        const auto after = std::upper_bound(mChunks.begin(), mChunks.end(), memory,
            [byAddress](const void* address, const Chunk& chunk) { return byAddress(address, chunk.base); });
        if (after == mChunks.begin() || !byAddress(memory, (after - 1)->base + CHUNK)) {
            return mChunks.end();
        }
        return after - 1;
    }
    Chunks::iterator chunkOf(const void* memory)
    {
        return mChunks.begin() + (static_cast<const Pool*>(this)->chunkOf(memory) - mChunks.cbegin());
    }

    bool addChunk()
    {
        char* base = static_cast<char*>(std::aligned_alloc(GRANULE, CHUNK));
        if (!base) {
            return false;
        }
        TOLVA_POISON(base, CHUNK);
        const auto after = std::upper_bound(mChunks.begin(), mChunks.end(), base,
            [](const char* address, const Chunk& chunk) { return std::less<const char*>()(address, chunk.base); });
        mChunks.insert(after, Chunk{base, 0});
        // What is left of the chunk cut so far is not worth keeping track of.
        mCurrent = base;
        mNext = base + HEADER;
        mLimit = base + CHUNK;
        return true;
    }

    /// A chunk with no block out goes back, with its blocks in the free lists, so that a world of
    /// thousands of bodies leaves no memory behind; the one being cut stays.
    void dropChunk(Chunks::iterator chunk)
    {
        const char* begin = chunk->base;
        const char* end = begin + CHUNK;
        const auto byAddress = std::less<const char*>();
        for (std::vector<char*>& freed : mFree) {
            freed.erase(std::remove_if(freed.begin(), freed.end(),
                            [&](const char* block) { return !byAddress(block, begin) && byAddress(block, end); }),
                freed.end());
        }
        TOLVA_UNPOISON(chunk->base, CHUNK);
        std::free(chunk->base);
        mChunks.erase(chunk);
    }

    Chunks mChunks; // by address
    char* mCurrent = nullptr;
    char* mNext = nullptr;
    char* mLimit = nullptr;
    std::array<std::vector<char*>, CLASSES> mFree;
    size_t mBlocks = 0;
};

/// Never destroyed: ODE objects may be freed during the process's static destruction.
Pool& pool()
{
    static Pool* const instance = new Pool;
    return *instance;
}

void* passAlloc(Pool& pool, size_t size)
{
    return pool.nextAlloc ? pool.nextAlloc(size) : std::malloc(size);
}

void* poolAlloc(dsizeint size)
{
    Pool& p = pool();
    if (gScopeDepth > 0 && size <= ObjectPool::MAX_POOLED) {
        const std::lock_guard<std::mutex> lock(p.mutex);
        if (void* memory = p.allocate(size)) {
            return memory;
        }
    }
    return passAlloc(p, size);
}

void poolFree(void* memory, dsizeint size)
{
    if (!memory) {
        return;
    }
    Pool& p = pool();
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        if (p.owns(memory)) {
            p.release(memory);
            return;
        }
    }
    if (p.nextFree) {
        p.nextFree(memory, size);
    } else {
        std::free(memory);
    }
}

void* poolRealloc(void* memory, dsizeint oldSize, dsizeint newSize)
{
    if (!memory) {
        return poolAlloc(newSize);
    }
    Pool& p = pool();
    bool owned = false;
    size_t kept = 0;
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        owned = p.owns(memory);
        if (owned) {
            kept = std::min({size_t(oldSize), size_t(newSize), Pool::capacity(memory)});
        }
    }
    if (!owned) {
        return p.nextRealloc ? p.nextRealloc(memory, oldSize, newSize) : std::realloc(memory, newSize);
    }
    void* moved = poolAlloc(newSize);
    if (moved) {
        std::memcpy(moved, memory, kept);
        poolFree(memory, oldSize);
    }
    return moved;
}

} // namespace

ObjectPool::Scope::Scope()
{
    ++gScopeDepth;
}

ObjectPool::Scope::~Scope()
{
    --gScopeDepth;
}

void ObjectPool::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Pool& p = pool();
        p.nextAlloc = dGetAllocHandler();
        p.nextRealloc = dGetReallocHandler();
        p.nextFree = dGetFreeHandler();
        dSetAllocHandler(poolAlloc);
        dSetReallocHandler(poolRealloc);
        dSetFreeHandler(poolFree);
    });
}

bool ObjectPool::owns(const void* block)
{
    Pool& p = pool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    return block && p.owns(block);
}

size_t ObjectPool::getBlockCount()
{
    Pool& p = pool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    return p.getBlockCount();
}

size_t ObjectPool::getChunkCount()
{
    Pool& p = pool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    return p.getChunkCount();
}

} // namespace tolva::ode
