// Memory of its own for the ODE objects the layer makes (bodies, geometries, joints, spaces), so
// that they lie together and not scattered among the much larger engine objects made with them:
// every step walks all bodies and geometries, and spread over the heap the same walk touches many
// more cache lines and pages than ODE's work needs. ODE's other allocations (the step's working
// memory, contact joints) and those of any other ODE user in the process go where they went.
#pragma once

#include <cstddef>

namespace tolva::ode {

class ObjectPool {
public:
    /// Blocks larger than this come from the handlers the pool was put in front of.
    static constexpr size_t MAX_POOLED = 2048;

    /// While one exists on a thread, what ODE allocates on that thread (up to MAX_POOLED bytes)
    /// comes from the pool. Scopes nest.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    /// Puts the pool's handlers in front of ODE's current ones; once per process, before the
    /// layer makes its first ODE object. Memory ODE allocated before goes back where it came from.
    static void install();

    /// Whether the block came from the pool.
    static bool owns(const void* block);
    /// Blocks handed out and not given back.
    static size_t getBlockCount();
    /// Chunks of memory the pool holds: one goes back once none of its blocks is out, but for the
    /// one being cut.
    static size_t getChunkCount();
};

} // namespace tolva::ode
