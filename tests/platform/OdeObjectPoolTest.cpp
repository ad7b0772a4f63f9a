// Where the layer's ODE objects lie in memory, and the memory handlers that put them there.
#include "platform/OdeBody.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"
#include "platform/OdeSphereGeometry.h"
#include "platform/OdeWorld.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <vector>

using namespace tolva::ode;

namespace {

uintptr_t pageOf(const void* address)
{
    return reinterpret_cast<uintptr_t>(address) / 4096;
}

struct Block {
    void* memory;
    size_t size;
    unsigned char fill;
};

void fill(const Block& block)
{
    auto* bytes = static_cast<unsigned char*>(block.memory);
    for (size_t i = 0; i < block.size; ++i) {
        bytes[i] = static_cast<unsigned char>(block.fill + i);
    }
}

/// Whether the block still holds its fill (the first `size` bytes of it).
bool holds(const Block& block, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(block.memory);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != static_cast<unsigned char>(block.fill + i)) {
            return false;
        }
    }
    return true;
}

} // namespace

// Engine objects several times their size are made between the bodies and spheres of a scene;
// ODE's own objects must still fill few pages, as they would in a program of ODE alone.
TEST(OdeObjectPool, BodiesAndGeometriesLieTogetherWhateverIsMadeBetweenThem)
{
    initialiseLibrary();
    const size_t blocksBefore = ObjectPool::getBlockCount();
    auto world = std::make_unique<World>();
    std::vector<std::unique_ptr<Body>> bodies;
    std::vector<std::unique_ptr<SphereGeometry>> spheres;
    std::vector<std::vector<char>> between;
    const int count = 200;
    for (int i = 0; i < count; ++i) {
        spheres.push_back(std::make_unique<SphereGeometry>(0.5f, world->getDefaultSpace()));
        between.emplace_back(2048, char(i));
        bodies.push_back(std::make_unique<Body>(world.get()));
        spheres.back()->setBody(bodies.back().get());
        between.emplace_back(1024, char(i));
    }
    std::set<uintptr_t> pages;
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(ObjectPool::owns(bodies[i]->getBodyID())) << i;
        ASSERT_TRUE(ObjectPool::owns(spheres[i]->getGeometryID())) << i;
        pages.insert(pageOf(bodies[i]->getBodyID()));
        pages.insert(pageOf(spheres[i]->getGeometryID()));
    }
    // ODE's body and sphere take under 1,000 bytes together; the engine's 3 KB between them
    // would spread them over about 150 pages.
    EXPECT_LE(pages.size(), size_t(count * 1000 / 4096 + 4));
    EXPECT_GE(ObjectPool::getBlockCount(), blocksBefore + 2 * count);

    spheres.clear();
    bodies.clear();
    world.reset();
    // ODE keeps the last freed position record for its next geometry.
    EXPECT_LE(ObjectPool::getBlockCount(), blocksBefore + 1);
}

TEST(OdeObjectPool, ChunksGoBackOnceTheirObjectsAreGone)
{
    initialiseLibrary();
    const size_t blocksBefore = ObjectPool::getBlockCount();
    const size_t chunksBefore = ObjectPool::getChunkCount();
    {
        World world;
        std::vector<std::unique_ptr<Body>> bodies;
        for (int i = 0; i < 1000; ++i) {
            bodies.push_back(std::make_unique<Body>(&world));
        }
        EXPECT_GE(ObjectPool::getChunkCount(), chunksBefore + 2);
        // Every other one first: the chunks empty only with the second half.
        for (size_t i = 0; i < bodies.size(); i += 2) {
            bodies[i].reset();
        }
        EXPECT_GE(ObjectPool::getChunkCount(), chunksBefore + 2);
    }
    EXPECT_EQ(ObjectPool::getBlockCount(), blocksBefore);
    EXPECT_LE(ObjectPool::getChunkCount(), chunksBefore + 1);
}

// What ODE allocates in a scope, up to the largest pooled size, comes from the pool and is
// aligned as malloc's memory is; the rest, and everything outside a scope, does not.
TEST(OdeObjectPool, OnlyWhatIsAllocatedInAScopeAndSmallEnoughIsPooled)
{
    initialiseLibrary();
    const struct {
        size_t size;
        bool scoped;
        bool pooled;
    } rows[] = {
        {0, true, true},
        {1, true, true},
        {15, true, true},
        {16, true, true},
        {17, true, true},
        {752, true, true},
        {ObjectPool::MAX_POOLED, true, true},
        {ObjectPool::MAX_POOLED + 1, true, false},
        {100000, true, false},
        {16, false, false},
        {752, false, false},
    };
    for (const auto& row : rows) {
        Block block{nullptr, row.size, static_cast<unsigned char>(row.size)};
        if (row.scoped) {
            const ObjectPool::Scope scope;
            block.memory = dAlloc(row.size);
        } else {
            block.memory = dAlloc(row.size);
        }
        ASSERT_NE(block.memory, nullptr) << row.size;
        EXPECT_EQ(ObjectPool::owns(block.memory), row.pooled)
            << row.size << (row.scoped ? " in" : " out of") << " a scope";
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block.memory) % 16, 0u) << row.size;
        fill(block);
        EXPECT_TRUE(holds(block, row.size)) << row.size;
        dFree(block.memory, row.size);
    }
}

// Random allocations, reallocations and frees, in and out of scopes: no block loses what was
// written into it or overlaps another, and every pooled block goes back.
TEST(OdeObjectPool, RandomUseKeepsEveryBlocksContents)
{
    initialiseLibrary();
    const size_t blocksBefore = ObjectPool::getBlockCount();
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        std::vector<Block> live;
        const auto anySize = [&random] {
            const size_t sizes[] = {1, 8, 24, 168, 752, 2048, 3000};
            return std::uniform_int_distribution<size_t>(0, 1)(random) ? sizes[random() % 7] : random() % 2600;
        };
        for (int operation = 0; operation < 400; ++operation) {
            const bool scoped = random() % 3 != 0;
            std::unique_ptr<ObjectPool::Scope> scope(scoped ? new ObjectPool::Scope : nullptr);
            const unsigned kind = live.empty() ? 0 : random() % 3;
            if (kind == 0) {
                Block block{nullptr, anySize(), static_cast<unsigned char>(random())};
                block.memory = dAlloc(block.size);
                fill(block);
                live.push_back(block);
                continue;
            }
            const size_t index = random() % live.size();
            Block& block = live[index];
            ASSERT_TRUE(holds(block, block.size)) << "seed " << seed << ", operation " << operation;
            if (kind == 1) {
                const size_t size = anySize();
                block.memory = dRealloc(block.memory, block.size, size);
                ASSERT_TRUE(holds(block, std::min(block.size, size))) << "seed " << seed << ", operation " << operation;
                block.size = size;
                fill(block);
            } else {
                dFree(block.memory, block.size);
                live.erase(live.begin() + long(index));
            }
        }
        for (const Block& block : live) {
            ASSERT_TRUE(holds(block, block.size)) << "seed " << seed;
            dFree(block.memory, block.size);
        }
        EXPECT_EQ(ObjectPool::getBlockCount(), blocksBefore) << "seed " << seed;
    }
}
