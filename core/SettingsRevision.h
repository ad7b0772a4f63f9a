// A process-wide count of changes to the settings of physical objects and their geometries that
// per-step work derives data from: which movables exist, their properties, whether they are
// collidable, and their geometries (which one, enabled or not, collision bits, offset). A reader
// that keeps data derived from those settings may keep it as long as the count stays where it
// was when the data was taken; any such change, anywhere, moves it on.
#pragma once

#include <cstdint>

namespace tolva {

class SettingsRevision {
public:
    static uint64_t current() { return msCurrent; }
    /// Called by every setter of a setting that the count covers.
    static void advance() { ++msCurrent; }

private:
    static inline uint64_t msCurrent = 0;
};

} // namespace tolva
