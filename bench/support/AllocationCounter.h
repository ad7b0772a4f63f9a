// Counts the program's heap allocations: linking AllocationCounter.cpp replaces the global
// operator new, so a benchmark can show that a hot path allocates nothing.
#pragma once

namespace tolva::bench {

/// Allocations through operator new since the program started.
unsigned long long allocationCount();

} // namespace tolva::bench
