// A part of the engine with the three-step life cycle: initialise once, frame every frame,
// shut down once. The engine owns its modules and drives them in a fixed order.
#pragma once

namespace tolva {

class EngineModule {
public:
    virtual ~EngineModule() = default;

    virtual void initialise() = 0;
    /// @param seconds time since the previous frame
    virtual void frame(float seconds) = 0;
    virtual void shutdown() = 0;
};

} // namespace tolva
