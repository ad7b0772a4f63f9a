// Lets an object be destroyed by a slot of one of its own signals while that signal is emitting.
//
// The emitting code keeps a guard on its stack for as long as the emission runs; the object
// points at its innermost guard. If the object is destroyed meanwhile, its destructor hands its
// signals to the outermost guard (keepSignal), which holds them, with every slot disconnected,
// until the emission is over: the signal library still walks a signal's slot list after the
// slot that destroyed it returns. Every guard then says that the object is gone, so the emitting
// code touches nothing of it any more.
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace tolva {

class EmissionGuard {
public:
    /// @param innermost the object's pointer to its innermost guard, set to this guard
    explicit EmissionGuard(EmissionGuard*& innermost)
        : mInnermost(innermost)
        , mOuter(innermost)
    {
        innermost = this;
    }

    ~EmissionGuard()
    {
        // The object, and with it the pointer, is gone when it was destroyed.
        if (!mOwnerGone) {
            mInnermost = mOuter;
        }
    }

    EmissionGuard(const EmissionGuard&) = delete;
    EmissionGuard& operator=(const EmissionGuard&) = delete;

    /// Whether the object was destroyed since the guard began; then nothing of it may be touched.
    bool isOwnerGone() const { return mOwnerGone; }

    /// For the object's destructor: disconnects every slot of the signal and, while an emission
    /// runs (innermost is not null), keeps the signal's state alive until the outermost one ends.
    template <typename Signal>
    static void keepSignal(EmissionGuard* innermost, Signal& signal)
    {
        if (!innermost) {
            signal.disconnect_all_slots();
            return;
        }
        EmissionGuard* outermost = innermost;
        for (EmissionGuard* guard = innermost; guard; guard = guard->mOuter) {
            guard->mOwnerGone = true;
            outermost = guard;
        }
        auto kept = std::make_shared<Signal>();
        kept->swap(signal);
        kept->disconnect_all_slots();
        outermost->mKept.push_back(std::move(kept));
    }

private:
    EmissionGuard*& mInnermost;
    EmissionGuard* mOuter;
    bool mOwnerGone = false;
    std::vector<std::shared_ptr<void>> mKept;
};

} // namespace tolva
