#include "input/GameControlRegistry.h"

#include "core/LogLine.h"

#include <algorithm>
#include <limits>

namespace tolva {

namespace {

/// Handlers receive the amount, not the direction: a leftward motion of 7 arrives as 7.
int getMagnitude(std::int32_t value)
{
    if (value == std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<int>::max();
    }
    return value < 0 ? -value : value;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Frames

void GameControlRegistry::frame(float seconds)
{
    if (mControlState) {
        releaseControlsReportedUp();
    }
    if (mActiveRepeats.empty()) {
        return;
    }
    // A handler may add or remove commands, bindings and layers; walk a copy, and skip the
    // entries that such a change has ended (their command may be gone as well).
    std::vector<ActiveRepeat> snapshot;
    snapshot.swap(mRepeatSnapshot);
    snapshot.assign(mActiveRepeats.begin(), mActiveRepeats.end());
    const std::uint64_t removals = mRepeatRemovals;
    // Restored however the walk ends, so that events after a failed handler are not taken for
    // repeats.
    struct RepeatScope {
        GameControlRegistry& registry;
        const bool repeating;
        const float seconds;
        RepeatScope(GameControlRegistry& registry, float seconds)
            : registry(registry)
            , repeating(registry.mRepeating)
            , seconds(registry.mRepeatSeconds)
        {
            registry.mRepeating = true;
            registry.mRepeatSeconds = seconds;
        }
        ~RepeatScope()
        {
            registry.mRepeating = repeating;
            registry.mRepeatSeconds = this->seconds;
        }
    } scope(*this, seconds);
    for (const ActiveRepeat& entry : snapshot) {
        if (mRepeatRemovals != removals && !isRepeatActive(entry.command)) {
            continue;
        }
        callHandler(*entry.command, 1);
    }
    snapshot.clear();
    mRepeatSnapshot.swap(snapshot);
}

// ---------------------------------------------------------------------------------------------
// Events

bool GameControlRegistry::keyPressed(const OIS::KeyEvent& event)
{
    return dispatchControlCommand(Control(Control::TYPE_KEY, event.key), true);
}

bool GameControlRegistry::keyReleased(const OIS::KeyEvent& event)
{
    return dispatchControlCommand(Control(Control::TYPE_KEY, event.key), false);
}

bool GameControlRegistry::mouseMoved(const OIS::MouseEvent& event)
{
    const OIS::MouseState& state = event.state;
    bool consumed = false;
    if (state.X.rel != 0) {
        consumed |= dispatchControlCommand(Control(Control::TYPE_MOUSE_AXIS_X, state.X.rel), true);
    }
    if (state.Y.rel != 0) {
        consumed |= dispatchControlCommand(Control(Control::TYPE_MOUSE_AXIS_Y, state.Y.rel), true);
    }
    if (state.Z.rel != 0) {
        consumed |= dispatchControlCommand(Control(Control::TYPE_MOUSE_AXIS_Z, state.Z.rel), true);
    }
    return consumed;
}

bool GameControlRegistry::mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button)
{
    return dispatchControlCommand(Control(Control::TYPE_MOUSE_BUTTON, button), true);
}

bool GameControlRegistry::mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button)
{
    return dispatchControlCommand(Control(Control::TYPE_MOUSE_BUTTON, button), false);
}

// ---------------------------------------------------------------------------------------------
// Dispatch and layer selection

bool GameControlRegistry::dispatchControlCommand(const Control& control, bool down)
{
    Layer& layer = mCurrent->second;
    const Layer::iterator binding = layer.find(control);

    if (binding == layer.end()) {
        if (!down) {
            if (contains(mHeldModifierControls, control)) {
                mHeldModifierControls.erase(
                    std::remove(mHeldModifierControls.begin(), mHeldModifierControls.end(), control),
                    mHeldModifierControls.end());
                setModifier(selectLayer());
                return true;
            }
        } else if (isCandidateControl(control)) {
            mHeldModifierControls.push_back(control);
            setModifier(selectLayer());
            return true;
        }
    }

    if (control.getType() & Control::TYPE_KEY) {
        const auto held = std::find(mHeldKeys.begin(), mHeldKeys.end(), control);
        if (down) {
            if (held != mHeldKeys.end()) {
                logWarning("Warning: Duplicate control-down detected. Duplication avoided.");
            } else {
                mHeldKeys.push_back(control);
            }
        } else {
            if (held != mHeldKeys.end()) {
                mHeldKeys.erase(held);
            } else {
                logWarning("Warning: Control-up event received without control-down a priori.");
            }
        }
    }

    if (binding == layer.end()) {
        return false;
    }

    Command* command = binding->second;
    if (command->repeat && !control.isAxis()) {
        if (down) {
            mActiveRepeats.push_back(ActiveRepeat{command, control, nullptr});
        } else {
            removeActiveRepeats(command);
        }
        return true;
    }
    if (down) {
        callHandler(*command, getMagnitude(control.getValue()));
    }
    return true;
}

bool GameControlRegistry::isCandidateModifier(const Modifier& modifier) const
{
    if (mHeldModifierControls.empty()) {
        return true;
    }
    // Held modifier controls are keys and buttons, for which the ordering and equality agree.
    const Modifier::ControlSet& controls = modifier.getControls();
    for (const Control& held : mHeldModifierControls) {
        if (controls.count(held)) {
            return true;
        }
    }
    return false;
}

bool GameControlRegistry::isCandidateControl(const Control& control) const
{
    if (contains(mHeldModifierControls, control)) {
        return false;
    }
    // The base layer comes first in modifier order and is never a candidate.
    for (auto layer = std::next(mBindings.begin()); layer != mBindings.end(); ++layer) {
        if (isCandidateModifier(layer->first) && layer->first.getControls().count(control)) {
            return true;
        }
    }
    return false;
}

GameControlRegistry::LayerMap::iterator GameControlRegistry::selectLayer()
{
    LayerMap::iterator best = mBindings.begin();
    if (mHeldModifierControls.empty()) {
        return best;
    }
    std::size_t bestSize = 0;
    for (auto layer = std::next(mBindings.begin()); layer != mBindings.end(); ++layer) {
        const Modifier::ControlSet& controls = layer->first.getControls();
        if (controls.size() <= bestSize || !isCandidateModifier(layer->first)) {
            continue;
        }
        const bool fullyHeld = std::all_of(
            controls.begin(), controls.end(), [this](const Control& c) { return contains(mHeldModifierControls, c); });
        if (fullyHeld) {
            best = layer;
            bestSize = controls.size();
        }
    }
    return best;
}

void GameControlRegistry::setModifier(LayerMap::iterator layer)
{
    // Report repeats that the layer being left cannot account for; nothing is repaired here.
    // One walk over the layer finds whether anything is to be reported; only then is the layer
    // walked once per repeat, which gives the lines in their order.
    if (findFirstBindings(mCurrent->second, true)) {
        for (const ActiveRepeat& entry : mActiveRepeats) {
            bool bound = false;
            for (const Layer::value_type& binding : mCurrent->second) {
                if (binding.second != entry.command) {
                    continue;
                }
                bound = true;
                if (!contains(mHeldKeys, binding.first)) {
                    logWarning("Warning: Control command repeating without tracking of associated control.");
                }
            }
            if (!bound) {
                logWarning("Warning: Control command repeating without associated control binding.");
            }
        }
    }

    mCurrent = layer;

    // A repeat survives only when the new layer binds its command to a held key, which then
    // becomes the control that keeps it running.
    const std::size_t before = mActiveRepeats.size();
    std::size_t kept = 0;
    if (mRepeatCommandMaintained) {
        findFirstBindings(mCurrent->second, false);
        for (std::size_t i = 0; i < before; ++i) {
            ActiveRepeat entry = mActiveRepeats[i];
            if (!entry.binding || !contains(mHeldKeys, entry.binding->first)) {
                continue;
            }
            entry.control = entry.binding->first;
            mActiveRepeats[kept++] = entry;
        }
    }
    mActiveRepeats.erase(mActiveRepeats.begin() + kept, mActiveRepeats.end());
    if (kept != before) {
        ++mRepeatRemovals;
    }

    if (!mNewModifierCommandDispatched) {
        return;
    }
    std::vector<Control> heldKeys;
    heldKeys.swap(mHeldKeySnapshot);
    heldKeys.assign(mHeldKeys.begin(), mHeldKeys.end());
    for (const Control& key : heldKeys) {
        // A handler called for an earlier key may have changed the layer or released keys.
        if (!contains(mHeldKeys, key)) {
            continue;
        }
        Layer& current = mCurrent->second;
        const Layer::iterator binding = current.find(key);
        if (binding == current.end()) {
            continue;
        }
        Command* command = binding->second;
        if (command->repeat && !key.isAxis()) {
            if (!isRepeatActive(command)) {
                mActiveRepeats.push_back(ActiveRepeat{command, key, nullptr});
            }
        } else {
            callHandler(*command, getMagnitude(key.getValue()));
        }
    }
    heldKeys.clear();
    mHeldKeySnapshot.swap(heldKeys);
}

bool GameControlRegistry::findFirstBindings(const Layer& layer, bool checkAll)
{
    std::size_t unresolved = mActiveRepeats.size();
    for (ActiveRepeat& entry : mActiveRepeats) {
        entry.binding = nullptr;
    }
    bool untracked = false;
    for (const Layer::value_type& binding : layer) {
        if (unresolved == 0 && !checkAll) {
            break;
        }
        bool repeating = false;
        for (ActiveRepeat& entry : mActiveRepeats) {
            if (entry.command != binding.second) {
                continue;
            }
            repeating = true;
            if (!entry.binding) {
                entry.binding = &binding;
                --unresolved;
            }
        }
        if (checkAll && repeating && !contains(mHeldKeys, binding.first)) {
            untracked = true;
        }
    }
    return untracked || unresolved != 0;
}

void GameControlRegistry::callHandler(const Command& command, int value)
{
    if (command.handler && command.enabled) {
        command.handler->handleCommand(value);
    }
}

void GameControlRegistry::releaseControlsReportedUp()
{
    std::vector<Control> held;
    held.swap(mReleaseSnapshot);
    held.assign(mHeldModifierControls.begin(), mHeldModifierControls.end());
    held.insert(held.end(), mHeldKeys.begin(), mHeldKeys.end());
    for (const Control& control : held) {
        const bool stillTracked = contains(mHeldModifierControls, control) || contains(mHeldKeys, control);
        if (stillTracked && !mControlState->isControlDown(control)) {
            dispatchControlCommand(control, false);
        }
    }
    held.clear();
    mReleaseSnapshot.swap(held);

    // Buttons are not tracked as held keys, and a binding may have changed since the control
    // went down: end every repeat whose own control is up.
    const std::size_t before = mActiveRepeats.size();
    mActiveRepeats.erase(
        std::remove_if(mActiveRepeats.begin(), mActiveRepeats.end(),
            [this](const ActiveRepeat& entry) { return !mControlState->isControlDown(entry.control); }),
        mActiveRepeats.end());
    if (mActiveRepeats.size() != before) {
        ++mRepeatRemovals;
    }
}

// ---------------------------------------------------------------------------------------------
// Active repeats

void GameControlRegistry::removeActiveRepeats(const Command* command)
{
    const std::size_t before = mActiveRepeats.size();
    mActiveRepeats.erase(std::remove_if(mActiveRepeats.begin(), mActiveRepeats.end(),
                             [command](const ActiveRepeat& entry) { return entry.command == command; }),
        mActiveRepeats.end());
    if (mActiveRepeats.size() != before) {
        ++mRepeatRemovals;
    }
}

void GameControlRegistry::removeActiveRepeats(const Command* command, const Control& control)
{
    const std::size_t before = mActiveRepeats.size();
    mActiveRepeats.erase(std::remove_if(mActiveRepeats.begin(), mActiveRepeats.end(),
                             [command, &control](const ActiveRepeat& entry) {
                                 return entry.command == command && entry.control == control;
                             }),
        mActiveRepeats.end());
    if (mActiveRepeats.size() != before) {
        ++mRepeatRemovals;
    }
}

bool GameControlRegistry::isRepeatActive(const Command* command) const
{
    return std::any_of(mActiveRepeats.begin(), mActiveRepeats.end(),
        [command](const ActiveRepeat& entry) { return entry.command == command; });
}

bool GameControlRegistry::contains(const std::vector<Control>& list, const Control& control)
{
    return std::find(list.begin(), list.end(), control) != list.end();
}

} // namespace tolva
