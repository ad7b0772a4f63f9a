#include "audio/_SoundListener.h"

#include <algorithm>

namespace tolva {

void _SoundListener::addSoundOffset(float offset)
{
    std::vector<float>& offsets = getWatchedOffsets();
    if (std::find(offsets.begin(), offsets.end(), offset) == offsets.end()) {
        offsets.push_back(offset);
    }
}

void _SoundListener::removeSoundOffset(float offset)
{
    std::vector<float>& offsets = getWatchedOffsets();
    auto it = std::find(offsets.begin(), offsets.end(), offset);
    if (it != offsets.end()) {
        offsets.erase(it);
    }
}

} // namespace tolva
