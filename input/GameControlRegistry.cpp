#include "input/GameControlRegistry.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "scripting/Python.h"

#include <boost/python.hpp>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>

namespace tolva {

namespace {

const char* const AxisModifierWarning = "Warning: Attempt to add mouse-axis control as a modifier control.";

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
// Registry life cycle

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

void GameControlRegistry::initialise()
{
    mFileLeftAlone = false;
    try {
        readControlsConfig();
    } catch (const ScriptingException& exception) {
        Python* python = Python::getInstance();
        std::string error = python ? python->getErrorString() : "";
        if (error.empty()) {
            // Reported (and cleared) where the file was taken apart; the exception carries it.
            error = exception.what();
        }
        logWarning("Warning: Failed to read controls configuration: " + keepUnreadableFile() + error);
    }
}

std::string GameControlRegistry::keepUnreadableFile()
{
    // The registry writes itself over the file at shutdown; the player's hand edits in the
    // unreadable file survive in a copy beside it (an earlier copy is not replaced).
    namespace fs = std::filesystem;
    const std::string file = "'" + mControlsFile + "'";
    std::error_code error;
    if (fs::is_regular_file(mControlsFile, error)) {
        for (int attempt = 1; attempt <= 100; ++attempt) {
            const std::string copy
                = mControlsFile + ".damaged" + (attempt == 1 ? std::string() : "." + std::to_string(attempt));
            if (fs::exists(copy, error) || error) {
                continue;
            }
            if (fs::copy_file(mControlsFile, copy, error) && !error) {
                return file + " is kept as '" + copy + "' and the default bindings are used: ";
            }
            break;
        }
    }
    mFileLeftAlone = true;
    return file + " could not be copied aside, so it is left as it is; the default bindings are used: ";
}

void GameControlRegistry::shutdown()
{
    if (mFileLeftAlone) {
        return;
    }
    try {
        writeControlsConfig();
    } catch (const ScriptingException&) {
        Python* python = Python::getInstance();
        logWarning("Warning: Failed to save control bindings to file." + (python ? python->getErrorString() : ""));
    }
}

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
// Controls file

namespace {

namespace bp = boost::python;

/// A name as Python text when it is UTF-8, else as a byte string: names that files of the older
/// program held as byte strings (Latin-1 among them) are written back exactly as they were read.
bp::object toPythonName(const std::string& name)
{
    PyObject* text = PyUnicode_DecodeUTF8(name.data(), static_cast<Py_ssize_t>(name.size()), "strict");
    if (text) {
        return bp::object(bp::handle<>(text));
    }
    PyErr_Clear();
    return bp::object(bp::handle<>(PyBytes_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()))));
}

bp::tuple toPythonControl(const GameControlRegistry::Control& control)
{
    return bp::make_tuple(static_cast<int>(control.getType()), control.getValue());
}

/// Item index of a tuple, which must be a tuple itself; what says what the item is, for the
/// TypeError otherwise.
bp::tuple tupleItem(const bp::object& container, long index, const char* what)
{
    const bp::object item = container[index];
    if (!PyTuple_Check(item.ptr())) {
        PyErr_Format(PyExc_TypeError, "%s: %s where a tuple belongs", what, Py_TYPE(item.ptr())->tp_name);
        bp::throw_error_already_set();
    }
    return bp::tuple(bp::detail::borrowed_reference(item.ptr()));
}

/// An integer of the file that must fit in 32 bits; anything larger is the file's damage (a
/// Python OverflowError), not the program's.
std::int32_t readInt32(const bp::object& item, const char* what)
{
    const long long value = bp::extract<long long>(item);
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        PyErr_SetString(
            PyExc_OverflowError, (what + (" " + std::to_string(value)) + " does not fit in 32 bits").c_str());
        bp::throw_error_already_set();
    }
    return static_cast<std::int32_t>(value);
}

GameControlRegistry::Control toControl(const bp::object& pair)
{
    const std::int32_t type = readInt32(pair[0], "a control type");
    const std::int32_t value = readInt32(pair[1], "a control value");
    return GameControlRegistry::Control(static_cast<GameControlRegistry::Control::Type>(type), value);
}

/// Warnings about one file: the first few are logged, the rest only counted, so that a huge
/// file cannot flood the log.
class FileWarnings {
public:
    explicit FileWarnings(const std::string& fileName)
        : mFileName(fileName)
    {
    }
    ~FileWarnings()
    {
        if (mCount > Shown) {
            logWarning("Warning: " + std::to_string(mCount - Shown) + " more warnings about the controls file '"
                + mFileName + "' were left out.");
        }
    }
    void warn(const char* line)
    {
        if (++mCount <= Shown) {
            logWarning(line);
        }
    }

private:
    static constexpr unsigned long long Shown = 10;
    const std::string& mFileName;
    unsigned long long mCount = 0;
};

} // namespace

void GameControlRegistry::readControlsConfig()
{
    Python* python = Python::getInstance();
    if (!python) {
        return;
    }
    unpackPickleBindings(python->unpickleObject<bp::tuple>(mControlsFile));
}

void GameControlRegistry::writeControlsConfig()
{
    Python* python = Python::getInstance();
    if (!python) {
        return;
    }
    python->pickleObject(mControlsFile, packPickleBindings());
}

bp::tuple GameControlRegistry::packPickleBindings() const
{
    try {
        std::map<const Command*, long> indices;
        bp::list commands;
        for (const Command& command : mCommands) {
            indices.emplace(&command, static_cast<long>(indices.size()));
            commands.append(bp::make_tuple(toPythonName(command.name), toPythonName(command.category), command.repeat));
        }
        bp::list result;
        result.append(bp::tuple(commands));
        for (const LayerMap::value_type& layer : mBindings) {
            bp::list controls;
            for (const Control& control : layer.first.getControls()) {
                controls.append(toPythonControl(control));
            }
            bp::list bindings;
            for (const Layer::value_type& binding : layer.second) {
                bindings.append(bp::make_tuple(toPythonControl(binding.first), indices.at(binding.second)));
            }
            result.append(
                bp::make_tuple(static_cast<int>(layer.first.getType()), bp::tuple(controls), bp::tuple(bindings)));
        }
        return bp::tuple(result);
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to build the control bindings.");
    }
}

void GameControlRegistry::unpackPickleBindings(const bp::tuple& file)
{
    // The whole file is read before anything is merged, so that a damaged file leaves the
    // registry as it was.
    struct FileLayer {
        Modifier modifier;
        std::vector<std::pair<Control, long long>> bindings;
    };
    std::vector<Command> fileCommands;
    std::vector<FileLayer> fileLayers;
    FileWarnings warnings(mControlsFile);
    try {
        const bp::tuple commands = tupleItem(file, 0, "the commands");
        const long commandCount = bp::len(commands);
        for (long i = 0; i < commandCount; ++i) {
            const bp::object entry = commands[i];
            const std::string name = bp::extract<std::string>(entry[0]);
            const std::string category = bp::extract<std::string>(entry[1]);
            const bool repeat = bp::extract<bool>(entry[2]);
            fileCommands.emplace_back(name, category, repeat);
        }
        const long layerCount = bp::len(file);
        for (long j = 1; j < layerCount; ++j) {
            const bp::tuple layer = tupleItem(file, j, "a layer");
            // Read but not used: the type follows from the controls (a layer whose controls are
            // all axis controls is the base layer).
            static_cast<void>(readInt32(layer[0], "a modifier type"));
            const bp::tuple controls = tupleItem(layer, 1, "the modifier controls");
            const bp::tuple bindings = tupleItem(layer, 2, "the bindings");
            FileLayer fileLayer;
            const long controlCount = bp::len(controls);
            for (long i = 0; i < controlCount; ++i) {
                const Control control = toControl(tupleItem(controls, i, "a modifier control"));
                if (control.isAxis()) {
                    warnings.warn(AxisModifierWarning);
                    continue;
                }
                fileLayer.modifier.addControl(control);
            }
            const long bindingCount = bp::len(bindings);
            for (long i = 0; i < bindingCount; ++i) {
                const bp::tuple binding = tupleItem(bindings, i, "a binding");
                const Control control = toControl(tupleItem(binding, 0, "a bound control"));
                const long long index = bp::extract<long long>(binding[1]);
                fileLayer.bindings.emplace_back(control, index);
            }
            fileLayers.push_back(fileLayer);
        }
    } catch (const bp::error_already_set&) {
        Python* python = Python::getInstance();
        throw ScriptingException(python ? python->getErrorString() : std::string());
    }

    // The registered command of every index of the file, so that a binding keeps its command
    // even when the game now registers its commands in another order.
    std::vector<Command*> registered;
    for (const Command& command : fileCommands) {
        if (!findCommand(command)) {
            mCommands.push_back(command);
        }
        registered.push_back(findCommand(command));
    }
    for (const FileLayer& fileLayer : fileLayers) {
        LayerMap::iterator layer = mBindings.find(fileLayer.modifier);
        if (layer == mBindings.end()) {
            layer = mBindings.emplace(fileLayer.modifier, Layer()).first;
        }
        while (!layer->second.empty()) {
            eraseBinding(layer, layer->second.begin());
        }
        for (const auto& binding : fileLayer.bindings) {
            const long long index = binding.second;
            Command* command = nullptr;
            if (index >= 0 && index < static_cast<long long>(registered.size())) {
                command = registered[static_cast<std::size_t>(index)];
            } else if (index >= 0 && index < static_cast<long long>(mCommands.size())) {
                command = &*std::next(mCommands.begin(), static_cast<long>(index));
            }
            if (!command) {
                warnings.warn("Warning: Control configuration contains bindings to non-registered command. Ignored.");
                continue;
            }
            bindUnchecked(layer, binding.first, command);
        }
    }
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
