#include "input/GameControlRegistry.h"

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "scripting/Python.h"

#include <boost/python.hpp>

#include <filesystem>
#include <limits>
#include <map>

namespace tolva {

// ---------------------------------------------------------------------------------------------
// Reading at start, writing at shutdown

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

// ---------------------------------------------------------------------------------------------
// The pickled tuple

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

} // namespace tolva
