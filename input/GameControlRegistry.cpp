#include "input/GameControlRegistry.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"

#include <algorithm>

namespace tolva {

// ---------------------------------------------------------------------------------------------
// Control, Modifier, Command

void GameControlRegistry::Modifier::addControl(const Control& control)
{
    if (control.isAxis()) {
        logWarning(AxisModifierWarning);
        return;
    }
    mType = TYPE_CUSTOM;
    mControls.insert(control);
}

void GameControlRegistry::Modifier::removeControl(const Control& control)
{
    mControls.erase(control);
    if (mControls.empty()) {
        mType = TYPE_NONE;
    }
}

bool GameControlRegistry::Modifier::operator<(const Modifier& other) const
{
    if (mType != other.mType) {
        return mType < other.mType;
    }
    return std::lexicographical_compare(
        mControls.begin(), mControls.end(), other.mControls.begin(), other.mControls.end());
}

bool GameControlRegistry::Modifier::operator==(const Modifier& other) const
{
    if (mType == TYPE_NONE && other.mType == TYPE_NONE) {
        return true;
    }
    return mControls.size() == other.mControls.size()
        && std::equal(mControls.begin(), mControls.end(), other.mControls.begin());
}

bool GameControlRegistry::Command::operator<(const Command& other) const
{
    if (category != other.category) {
        return category < other.category;
    }
    return name < other.name;
}

// ---------------------------------------------------------------------------------------------
// Construction

GameControlRegistry::GameControlRegistry(const std::string& controlsFile)
    : mControlsFile(controlsFile)
    , mRepeatCommandMaintained(false)
    , mNewModifierCommandDispatched(false)
    , mRepeatRemovals(0)
    , mControlState(nullptr)
{
    mCurrent = mBindings.emplace(Modifier(), Layer()).first;
    // Room for everything a player can hold at once, so that events never grow these.
    mHeldModifierControls.reserve(16);
    mHeldKeys.reserve(32);
    mActiveRepeats.reserve(32);
    mRepeatSnapshot.reserve(32);
    mHeldKeySnapshot.reserve(32);
    mReleaseSnapshot.reserve(48);
}

GameControlRegistry::~GameControlRegistry() = default;

// ---------------------------------------------------------------------------------------------
// Commands

void GameControlRegistry::addCommand(const Command& command)
{
    if (findCommand(command)) {
        logWarning("Warning: Attempt to duplicately register command " + command.name + ".");
        return;
    }
    mCommands.push_back(command);
}

void GameControlRegistry::removeCommand(const Command& command)
{
    const auto registered = std::find(mCommands.begin(), mCommands.end(), command);
    if (registered == mCommands.end()) {
        logWarning("Warning: Attempt to remove non-registered command " + command.name + ".");
        return;
    }
    // A command read from the controls file may be bound to several controls of one layer:
    // every binding goes, so that none is left pointing at the removed command.
    Command* removed = &*registered;
    for (auto layer = mBindings.begin(); layer != mBindings.end(); ++layer) {
        for (auto binding = layer->second.begin(); binding != layer->second.end();) {
            if (binding->second == removed) {
                eraseBinding(layer, binding++);
            } else {
                ++binding;
            }
        }
    }
    removeActiveRepeats(removed);
    mCommands.erase(registered);
}

bool GameControlRegistry::isCommandPresent(const Command& command) const
{
    return findCommand(command) != nullptr;
}

bool GameControlRegistry::isCommandEnabled(const Command& command) const
{
    const Command* registered = findCommand(command);
    if (!registered) {
        throw InvalidArgumentException("The command supplied does not exist.");
    }
    return registered->enabled;
}

void GameControlRegistry::setCommandEnabled(const Command& command, bool enabled)
{
    Command* registered = findCommand(command);
    if (!registered) {
        throw InvalidArgumentException("The command supplied does not exist.");
    }
    registered->enabled = enabled;
}

void GameControlRegistry::setHandler(const Command& command, CommandHandler* handler)
{
    Command* registered = findCommand(command);
    if (!registered) {
        logWarning("Warning: Attempt to set handler for non-registered command.");
        return;
    }
    registered->handler = handler;
}

const GameControlRegistry::Layer::value_type* GameControlRegistry::getBinding(const Command& command) const
{
    for (const Layer::value_type& binding : mCurrent->second) {
        if (*binding.second == command) {
            return &binding;
        }
    }
    return nullptr;
}

GameControlRegistry::Command* GameControlRegistry::findCommand(const Command& command)
{
    const auto found = std::find(mCommands.begin(), mCommands.end(), command);
    return found == mCommands.end() ? nullptr : &*found;
}

const GameControlRegistry::Command* GameControlRegistry::findCommand(const Command& command) const
{
    const auto found = std::find(mCommands.begin(), mCommands.end(), command);
    return found == mCommands.end() ? nullptr : &*found;
}

// ---------------------------------------------------------------------------------------------
// Modifier layers

void GameControlRegistry::addModifier(const Modifier& modifier)
{
    if (mBindings.count(modifier)) {
        throw InvalidArgumentException("The modifier supplied already exists.");
    }
    const Modifier::ControlSet& controls = modifier.getControls();
    for (const LayerMap::value_type& layer : mBindings) {
        const Modifier::ControlSet& other = layer.first.getControls();
        const bool related = layer.first.getType() == Modifier::TYPE_NONE
            || std::any_of(
                controls.begin(), controls.end(), [&other](const Control& c) { return other.count(c) != 0; });
        if (!related) {
            continue;
        }
        if (other.size() == controls.size()) {
            throw InvalidArgumentException(
                "The modifier supplied shares controls with another modifier of the same length.");
        }
        for (const Control& control : controls) {
            if (!other.count(control) && layer.second.count(control)) {
                throw InvalidArgumentException("The modifier supplied maps to commands that have active bindings.");
            }
        }
    }
    mBindings.emplace(modifier, Layer());
}

void GameControlRegistry::removeModifier(const Modifier& modifier)
{
    if (modifier.getType() == Modifier::TYPE_NONE) {
        throw InvalidArgumentException("The 'none'-type modifier may not be removed.");
    }
    const LayerMap::iterator layer = mBindings.find(modifier);
    if (layer == mBindings.end()) {
        logWarning("Warning: Attempt to remove non-existent modifier.");
        return;
    }
    if (layer != mCurrent) {
        mBindings.erase(layer);
        return;
    }
    // Every active repeat is driven by a binding of the current layer, which goes with it.
    if (!mActiveRepeats.empty()) {
        mActiveRepeats.clear();
        ++mRepeatRemovals;
    }
    mCurrent = mBindings.begin();
    mBindings.erase(layer);
    setModifier(selectLayer());
}

std::list<GameControlRegistry::Modifier> GameControlRegistry::getModifiers() const
{
    std::list<Modifier> modifiers;
    for (const LayerMap::value_type& layer : mBindings) {
        modifiers.push_back(layer.first);
    }
    return modifiers;
}

const GameControlRegistry::Layer& GameControlRegistry::getBindings(const Modifier& modifier) const
{
    const LayerMap::const_iterator layer = mBindings.find(modifier);
    if (layer == mBindings.end()) {
        throw NotFoundException("Warning: Attempt to get bindings for non-existent modifier.");
    }
    return layer->second;
}

// ---------------------------------------------------------------------------------------------
// Bindings

void GameControlRegistry::bind(const Modifier& modifier, const Control& control, const Command& command)
{
    const LayerMap::iterator layer = mBindings.find(modifier);
    if (layer == mBindings.end()) {
        logWarning("Warning: Attempt to bind control with an unknown modifier.");
        return;
    }
    // A control that belongs to this modifier, or to a larger one containing it, selects
    // layers while this one is current and so can never be bound here.
    const Modifier::ControlSet& controls = modifier.getControls();
    for (const LayerMap::value_type& other : mBindings) {
        const Modifier::ControlSet& otherControls = other.first.getControls();
        const bool containsModifier = std::all_of(controls.begin(), controls.end(),
            [&otherControls](const Control& c) { return otherControls.count(c) != 0; });
        if (containsModifier && otherControls.count(control)) {
            throw InvalidArgumentException("The control supplied maps to an active modifier configuration.");
        }
    }
    Command* registered = findCommand(command);
    if (!registered) {
        logWarning("Warning: Attempt to bind controls to non-registered command.");
        return;
    }

    Layer& bindings = layer->second;
    const Layer::iterator previous = findFirstBinding(bindings, registered);
    const Layer::iterator existing = bindings.find(control);
    if (previous != bindings.end() && previous == existing) {
        // The same binding again: a repeat it drives keeps running.
        bindings.erase(existing);
        bindings.emplace(control, registered);
        return;
    }
    if (previous != bindings.end()) {
        eraseBinding(layer, previous);
    }
    const Layer::iterator replaced = bindings.find(control);
    if (replaced != bindings.end()) {
        eraseBinding(layer, replaced);
    }
    bindings.emplace(control, registered);
}

void GameControlRegistry::unbind(const Modifier& modifier, const Control& control)
{
    const LayerMap::iterator layer = mBindings.find(modifier);
    if (layer == mBindings.end()) {
        return;
    }
    const Layer::iterator binding = layer->second.find(control);
    if (binding != layer->second.end()) {
        eraseBinding(layer, binding);
    }
}

void GameControlRegistry::unbind(const Control& control)
{
    for (auto layer = mBindings.begin(); layer != mBindings.end(); ++layer) {
        unbind(layer->first, control);
    }
}

void GameControlRegistry::unbind(const Modifier& modifier, const Command& command)
{
    const LayerMap::iterator layer = mBindings.find(modifier);
    if (layer == mBindings.end()) {
        return;
    }
    const Layer::iterator binding = findFirstBinding(layer->second, command);
    if (binding != layer->second.end()) {
        eraseBinding(layer, binding);
    }
}

void GameControlRegistry::unbind(const Command& command)
{
    for (auto layer = mBindings.begin(); layer != mBindings.end(); ++layer) {
        unbind(layer->first, command);
    }
}

const GameControlRegistry::Layer::value_type* GameControlRegistry::getBinding(const Control& control) const
{
    const Layer::const_iterator binding = mCurrent->second.find(control);
    return binding == mCurrent->second.end() ? nullptr : &*binding;
}

bool GameControlRegistry::isModifierControl(const Control& control) const
{
    return std::any_of(mBindings.begin(), mBindings.end(),
        [&control](const LayerMap::value_type& layer) { return layer.first.getControls().count(control) != 0; });
}

GameControlRegistry::Layer::iterator GameControlRegistry::findFirstBinding(Layer& layer, const Command& command)
{
    return std::find_if(layer.begin(), layer.end(),
        [&command](const Layer::value_type& binding) { return *binding.second == command; });
}

GameControlRegistry::Layer::iterator GameControlRegistry::findFirstBinding(Layer& layer, const Command* registered)
{
    return std::find_if(layer.begin(), layer.end(),
        [registered](const Layer::value_type& binding) { return binding.second == registered; });
}

void GameControlRegistry::eraseBinding(LayerMap::iterator layer, Layer::iterator binding)
{
    Command* command = binding->second;
    const Control control = binding->first;
    layer->second.erase(binding);
    // The release of the control would no longer find the command, so its repeat ends now.
    if (layer == mCurrent && command->repeat) {
        removeActiveRepeats(command, control);
    }
}

void GameControlRegistry::bindUnchecked(LayerMap::iterator layer, const Control& control, Command* command)
{
    const Layer::iterator replaced = layer->second.find(control);
    if (replaced != layer->second.end()) {
        eraseBinding(layer, replaced);
    }
    layer->second.emplace(control, command);
}
} // namespace tolva
