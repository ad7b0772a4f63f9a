// How the input signals combine the answers of their slots: the slots are called in connection
// order until one of them reports the event consumed, so one key press or mouse event reaches at
// most one consumer in the chain (console keys, GUI, game, scripts).
#pragma once

namespace tolva {

class InputEventCombiner {
public:
    typedef bool result_type;

    /// Dereferencing an iterator calls its slot. True when some slot consumed the event (no later
    /// slot was called); false when no slot is connected or none returned true.
    template <typename InputIterator>
    bool operator()(InputIterator first, InputIterator last) const
    {
        bool consumed = false;
        while (first != last && !consumed) {
            consumed = *first;
            ++first;
        }
        return consumed;
    }
};

} // namespace tolva
