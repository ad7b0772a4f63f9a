#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<unsigned long long> gAllocations{0};

} // namespace

void* operator new(std::size_t size)
{
    ++gAllocations;
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace tolva::bench {

unsigned long long allocationCount()
{
    return gAllocations.load(std::memory_order_relaxed);
}

} // namespace tolva::bench
