// Running out of memory while an entry is extracted. This test program replaces the global
// allocation functions so that large allocations can be made to fail on demand; nothing else
// shares the program, so no other test runs with them.
#include "ArchiveTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

/// Allocations of at least this many bytes fail while it is not zero.
std::atomic<std::size_t> gFailFrom{0};

void* allocate(std::size_t size)
{
    const std::size_t limit = gFailFrom.load();
    if (limit != 0 && size >= limit) {
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

using namespace tolva::test;

namespace {

class ArchiveMemory : public ArchiveTestBase {
protected:
    void TearDown() override
    {
        gFailFrom = 0;
        ArchiveTestBase::TearDown();
    }
};

TEST_F(ArchiveMemory, AnEntryThatDoesNotFitInMemoryFailsToExtractAndTheArchiveRecovers)
{
    auto archive = loaded("large.7z");
    const std::string zeros(4 * 1024 * 1024, '\0');
    // The first fails while the entry is read, the second where its copies grow to full size.
    for (const std::size_t limit : {std::size_t(1) << 20, std::size_t(4) << 20}) {
        mLines.clear();
        gFailFrom = limit;
        Ogre::DataStreamPtr stream;
        EXPECT_NO_THROW(stream = archive->open("zeros.bin")) << limit;
        gFailFrom = 0;
        EXPECT_FALSE(stream) << limit;
        EXPECT_EQ(mLines, std::vector<std::string>({"zeros.bin failed to extract correctly."})) << limit;
        EXPECT_EQ(readAll(archive->open("zeros.bin")), zeros) << limit;
        archive->unload();
        archive->load();
    }
}

} // namespace
