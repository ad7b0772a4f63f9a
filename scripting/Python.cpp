#include "scripting/Python.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/FileReplacement.h"
#include "core/Log.h"
#include "core/ToString.h"
#include "core/LogLine.h"
#include "game/GameFactory.h"
#include "scripting/support/RunningScript.h"
#include "scripting/support/ScriptKeepAlive.h"
#include "scripting/support/ScriptOwnedHandles.h"
#include "scripting/support/ScriptSlotReference.h"
#include "scripting/TolvaEngineModule.h"
#include "scripting/values/ValuesModule.h"

#include <OgreLogManager.h>

#include <boost/python.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

namespace bp = boost::python;

namespace tolva {

namespace {

// Collects what scripts print while initialise() sets up the real output, so that a failure
// there can still report everything printed so far.
const char* const OUTPUT_BUFFER_SCRIPT = "class OutputBuffer:\n"
                                         "  def __init__(self):\n"
                                         "    self.buffer = []\n"
                                         "  def getCompleteOutput(self):\n"
                                         "    return \"\".join(self.buffer)\n"
                                         "  def getLatestOutput(self):\n"
                                         "    if len(self.buffer) == 0:\n"
                                         "      return \"\"\n"
                                         "    else:\n"
                                         "      return self.buffer[len(self.buffer) - 1]\n"
                                         "  def write(self, output):\n"
                                         "    self.buffer.append(output)\n";

Log* getEngineLog()
{
    Engine* engine = Singleton<Engine>::getInstance();
    return engine ? engine->getLog() : nullptr;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The pending error, set aside while cleaning up and put back afterwards.
class PendingError {
public:
    PendingError() { PyErr_Fetch(&mType, &mValue, &mTraceback); }
    ~PendingError() { PyErr_Restore(mType, mValue, mTraceback); }
    PendingError(const PendingError&) = delete;
    PendingError& operator=(const PendingError&) = delete;

private:
    PyObject* mType = nullptr;
    PyObject* mValue = nullptr;
    PyObject* mTraceback = nullptr;
};

/// Lets a stop signal reach a script as the interpreter's own KeyboardInterrupt: the interpreter
/// raises one only where its own table names default_int_handler for SIGINT. Setting that entry
/// also installs the interpreter's process handler, which the engine's own (StopSignals) replaces
/// again at once.
void raiseKeyboardInterruptOnStop()
{
    struct sigaction own = {};
    sigaction(SIGINT, nullptr, &own);
    PyObject* module = PyImport_ImportModule("signal");
    PyObject* handler = module ? PyObject_GetAttrString(module, "default_int_handler") : nullptr;
    PyObject* result = handler ? PyObject_CallMethod(module, "signal", "iO", SIGINT, handler) : nullptr;
    Py_XDECREF(result);
    Py_XDECREF(handler);
    Py_XDECREF(module);
    PyErr_Clear();
    sigaction(SIGINT, &own, nullptr);
}

/// Ends the script threads and runs the atexit functions, as the interpreter's end does; both
/// run once only, so the interpreter's end finds nothing left to run. Errors are reported by the
/// interpreter itself, as at its end.
void runExitFunctions()
{
    const PendingError pending;
    // Only a script that started threads has imported the module.
    PyObject* name = PyUnicode_FromString("threading");
    PyObject* threading = name ? PyImport_GetModule(name) : nullptr;
    Py_XDECREF(name);
    if (threading) {
        PyObject* result = PyObject_CallMethod(threading, "_shutdown", nullptr);
        Py_XDECREF(result);
        Py_DECREF(threading);
    }
    PyErr_Clear();
    if (PyObject* atexit = PyImport_ImportModule("atexit")) {
        PyObject* result = PyObject_CallMethod(atexit, "_run_exitfuncs", nullptr);
        Py_XDECREF(result);
        Py_DECREF(atexit);
    }
    PyErr_Clear();
}

} // namespace

Python::Python(const std::string& programPath)
    : mOutputToBuffer(false)
    , mOutputBuffer(nullptr)
    , mMainDictionary(nullptr)
{
    if (PyImport_AppendInittab("TolvaEngine", &PyInit_TolvaEngine) == -1) {
        throw InitialisationException("Could not install tolva module in Python initialisation table.");
    }
    if (PyImport_AppendInittab("TolvaValues", &PyInit_TolvaValues) == -1) {
        throw InitialisationException("Could not install the value types module in Python initialisation table.");
    }
    GameFactory::registerPythonModules();

    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    // Ctrl-C keeps ending the program instead of becoming a KeyboardInterrupt nobody handles.
    config.install_signal_handlers = 0;
    PyStatus status = PyConfig_SetBytesString(&config, &config.program_name, programPath.c_str());
    if (!PyStatus_Exception(status)) {
        status = Py_InitializeFromConfig(&config);
    }
    PyConfig_Clear(&config);
    if (PyStatus_Exception(status)) {
        throw InitialisationException(std::string("Could not start the Python interpreter: ")
            + (status.err_msg ? status.err_msg : "unknown error") + ".");
    }
    raiseKeyboardInterruptOnStop();
    ScriptSlotReference::allowConnecting();
    ScriptKeepAlive::allowKeeping();
}

Python::~Python()
{
    // An engine that failed between initialise and shutdown still holds these; after the
    // interpreter has ended they could not be released any more.
    delete mOutputBuffer;
    delete mMainDictionary;
    // The interpreter's own end would run the atexit functions, which may connect script slots
    // to signals that outlive it. They run here instead, as the interpreter would run them (after
    // the script threads have ended), and every script slot is released after them.
    runExitFunctions();
    ScriptSlotReference::releaseAll();
    // Script listeners the engine still holds go while the interpreter can still release them.
    ScriptKeepAlive::releaseAll();
    // The interpreter's end puts SIGINT back to the system's default; the engine's own handler
    // must stay for the rest of the program (the write-back, a restarted engine).
    struct sigaction own = {};
    sigaction(SIGINT, nullptr, &own);
    Py_Finalize();
    sigaction(SIGINT, &own, nullptr);
    // No script can reach a holder handle any more.
    ScriptOwnedHandles::releaseAll();
}

void Python::initialise()
{
    try {
        PyObject* mainModule = PyImport_AddModule("__main__");
        if (!mainModule) {
            bp::throw_error_already_set();
        }
        bp::object module(bp::handle<>(bp::borrowed(mainModule)));
        mMainDictionary = new bp::object(module.attr("__dict__"));
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to created main python dictionary.");
    }

    executeStatement(OUTPUT_BUFFER_SCRIPT);
    bool haveBuffer = false;
    try {
        bp::object buffer = getGlobal("OutputBuffer")();
        mOutputBuffer = new bp::object(buffer);
        haveBuffer = true;
    } catch (const bp::error_already_set&) {
        PyErr_Clear();
        logLine("Failed to import debug module.");
    }
    if (haveBuffer) {
        bp::object sys;
        try {
            sys = bp::import("sys");
        } catch (const bp::error_already_set&) {
            PyErr_Clear();
            logLine("Failed to import the system module.");
        }
        if (!sys.is_none()) {
            try {
                sys.attr("stdout") = *mOutputBuffer;
                sys.attr("stderr") = *mOutputBuffer;
                mOutputToBuffer = true;
            } catch (const bp::error_already_set&) {
                PyErr_Clear();
                logLine("Failed to install the debug output buffer");
            }
        }
    }

    bp::object os = bp::import("os");
    bp::object sys = bp::import("sys");
    sys.attr("path").attr("append")(os.attr("path").attr("abspath")("."));

    // The outside libraries' value types first: engine members that take or return them work in
    // every script from then on, whether or not the script imports them itself.
    try {
        bp::import("TolvaValues");
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to import the value types module.");
    }
    try {
        bp::import("TolvaEngine");
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to import the main engine scripting module.");
    }

    try {
        connectToPythonOutput();
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to redirect python output pipes.");
    }
    mOutputToBuffer = false;
}

void Python::frame(float) { }

void Python::shutdown()
{
    if (mOutputBuffer) {
        delete mOutputBuffer;
        mOutputBuffer = nullptr;
    }
    try {
        disconnectFromPythonOutput();
    } catch (const bp::error_already_set&) {
        // The error stays pending; nothing can print it any more.
    }
    if (mMainDictionary) {
        PyDict_Clear(mMainDictionary->ptr());
        delete mMainDictionary;
        mMainDictionary = nullptr;
    }
}

bp::object Python::executeStatement(const std::string& statement)
{
    try {
        bp::object& dictionary = getMainDictionary();
        // The source is handed on as a C string, which would end at the first NUL byte: the
        // statement would run only in part and report success.
        if (statement.find('\0') != std::string::npos) {
            PyErr_SetString(PyExc_ValueError, "source code string cannot contain null bytes");
            bp::throw_error_already_set();
        }
        const RunningScript running;
        return bp::exec(statement.c_str(), dictionary, dictionary);
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Execution failed on statement: " + ToString(statement) + ".");
    }
}

bp::object Python::executeFile(const std::string& path)
{
    try {
        bp::import("TolvaEngine");
        std::string source;
        {
            std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
            if (!file) {
                PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
                bp::throw_error_already_set();
            }
            char block[65536];
            std::size_t count = 0;
            while ((count = std::fread(block, 1, sizeof(block), file.get())) > 0) {
                source.append(block, count);
            }
            if (std::ferror(file.get())) {
                PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
                bp::throw_error_already_set();
            }
        }
        // Compiled from bytes, so a coding declaration in the file is honoured and the traceback
        // names the file.
        bp::object bytes(bp::handle<>(PyBytes_FromStringAndSize(source.data(), source.size())));
        bp::object fileName(bp::handle<>(PyUnicode_DecodeFSDefaultAndSize(path.data(), path.size())));
        bp::object code = bp::import("builtins").attr("compile")(bytes, fileName, "exec", 0, true);
        bp::object& dictionary = getMainDictionary();
        const RunningScript running;
        return bp::object(bp::handle<>(PyEval_EvalCode(code.ptr(), dictionary.ptr(), dictionary.ptr())));
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Execution failed for file " + ToString(path) + ".");
    }
}

bp::object Python::importModule(const std::string& name)
{
    try {
        const RunningScript running;
        return bp::import(bp::str(name.data(), name.size()));
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to import module " + ToString(name) + ".");
    }
}

bp::object Python::getGlobal(const std::string& name)
{
    return getMainDictionary().attr("__getitem__")(bp::str(name.data(), name.size()));
}

void Python::clear()
{
    PyDict_Clear(getMainDictionary().ptr());
}

std::string Python::getErrorString()
{
    if (!PyErr_Occurred()) {
        return std::string();
    }
    Log* log = getEngineLog();
    if (!mOutputToBuffer && log) {
        log->mark();
    }
    if (PyErr_ExceptionMatches(PyExc_SystemExit)) {
        // PyErr_Print would end the process here, before the engine could shut down and save.
        PyObject* type = nullptr;
        PyObject* value = nullptr;
        PyObject* traceback = nullptr;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);
        if (traceback && value) {
            PyException_SetTraceback(value, traceback);
        }
        PyErr_Display(type, value, traceback);
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
        PyErr_Clear();
    } else {
        PyErr_Print();
    }
    if (!mOutputToBuffer) {
        return log ? log->getMarkerOutput() : std::string();
    }
    try {
        return bp::extract<std::string>(mOutputBuffer->attr("getCompleteOutput")())();
    } catch (const bp::error_already_set&) {
        PyErr_Clear();
        return "The output returned is not string-convertible.";
    }
}

void Python::connectToPythonOutput()
{
    bp::object sys = bp::import("sys");
    Log* log = getEngineLog();
    sys.attr("stdout") = bp::object(bp::ptr(log));
    sys.attr("stderr") = bp::object(bp::ptr(log));
}

void Python::disconnectFromPythonOutput()
{
    bp::object sys = bp::import("sys");
    sys.attr("stdout") = 0;
    sys.attr("stderr") = 0;
}

bp::object& Python::getMainDictionary()
{
    if (!mMainDictionary) {
        throw IllegalStateException("The interpreter's main namespace is not available.");
    }
    return *mMainDictionary;
}

template <>
void Python::pickleObject<bp::tuple>(const std::string& fileName, const bp::tuple& value)
{
    FileReplacement replacement(fileName);
    bp::object file;
    try {
        if (!replacement.create()) {
            PyErr_SetFromErrnoWithFilename(PyExc_OSError, fileName.c_str());
            bp::throw_error_already_set();
        }
        const std::string& temporaryName = replacement.getTemporaryPath();
        bp::object path(bp::handle<>(PyBytes_FromStringAndSize(temporaryName.data(), temporaryName.size())));
        file = bp::import("builtins").attr("open")(path, "wb");
        bp::import("pickle").attr("dump")(value, file, 2);
        bp::object closed(bp::handle<>(PyObject_CallMethod(file.ptr(), "close", "()")));
        file = bp::object();
        if (!replacement.commit()) {
            PyErr_SetFromErrnoWithFilename(PyExc_OSError, fileName.c_str());
            bp::throw_error_already_set();
        }
    } catch (const bp::error_already_set&) {
        if (!file.is_none()) {
            // Closed before the replacement removes the incomplete copy; the file that was there
            // stays as it was.
            PendingError error;
            PyObject* closed = PyObject_CallMethod(file.ptr(), "close", "()");
            Py_XDECREF(closed);
            PyErr_Clear();
            file = bp::object();
        }
        throw ScriptingException("Failed to pickle object to file: " + ToString(fileName) + ".");
    }
}

namespace {

// Reads pickles of plain data only. Unpickling ordinarily imports and calls whatever the data
// names, so a file could run any code; here the only names the data may use are the two that
// Python 3 itself writes for a byte string in protocol 2, each accepting only the arguments
// Python writes, and the value must consist of tuples, lists, dictionaries, sets, frozensets,
// None, numbers, booleans, text, byte strings and byte arrays (data a file may carry beyond what
// its reader looks at). Sets and byte arrays have opcodes of their own in the newer protocols and
// read without naming anything; written as the older protocols write them they name their class,
// and stay refused.
// Byte strings of files written by older versions stay bytes ("encoding"), so names read back
// exactly.
const char* const RESTRICTED_UNPICKLER_SCRIPT = R"(
import _codecs
import io
import pickle

def _latin1_bytes(text, encoding):
    if type(text) is not str or encoding != 'latin1':
        raise pickle.UnpicklingError('refused: a byte string not written as Python writes one')
    return _codecs.encode(text, 'latin1')

def _empty_bytes(*arguments):
    if arguments:
        raise pickle.UnpicklingError('refused: a byte string not written as Python writes one')
    return b''

_GLOBALS = {
    ('_codecs', 'encode'): _latin1_bytes,
    ('__builtin__', 'bytes'): _empty_bytes,
    ('builtins', 'bytes'): _empty_bytes,
}
_DATA_TYPES = (int, bool, float, str, bytes, bytearray, type(None))
_CONTAINER_TYPES = (tuple, list, dict, set, frozenset)

class _Unpickler(pickle.Unpickler):
    def find_class(self, module, name):
        try:
            return _GLOBALS[(module, name)]
        except KeyError:
            raise pickle.UnpicklingError('refused: the data names %s.%s' % (module, name)) from None

def loads(data):
    value = _Unpickler(io.BytesIO(data), encoding='bytes').load()
    if not isinstance(value, tuple):
        raise TypeError('the pickled value is a %s, not a tuple' % type(value).__name__)
    seen = set()
    pending = [value]
    while pending:
        item = pending.pop()
        if type(item) in _CONTAINER_TYPES:
            # A container shared through the memo is looked at once; a list or a dictionary may
            # even hold itself.
            if id(item) not in seen:
                seen.add(id(item))
                if type(item) is dict:
                    pending.extend(item.keys())
                    pending.extend(item.values())
                else:
                    pending.extend(item)
        elif type(item) not in _DATA_TYPES:
            raise pickle.UnpicklingError('refused: the data holds a %s' % type(item).__name__)
    return value
)";

/// The restricted unpickler's loads, made afresh in its own namespace: scripts cannot reach or
/// change it, and it belongs to the running interpreter (a restart starts another).
bp::object restrictedLoads()
{
    bp::dict space;
    space["__builtins__"] = bp::import("builtins");
    // Compiled under a name of its own, so that a traceback says where the refusal came from.
    bp::object code(
        bp::handle<>(Py_CompileString(RESTRICTED_UNPICKLER_SCRIPT, "<plain data unpickler>", Py_file_input)));
    bp::object done(bp::handle<>(PyEval_EvalCode(code.ptr(), space.ptr(), space.ptr())));
    return space["loads"];
}

} // namespace

template <>
bp::tuple Python::unpickleObject<bp::tuple>(const std::string& fileName)
{
    try {
        bp::object loads = restrictedLoads();
        const std::string data = Singleton<Engine>::getInstance()->getResourceData(fileName);
        bp::object bytes(bp::handle<>(PyBytes_FromStringAndSize(data.data(), data.size())));
        // loads returns a tuple or raises.
        return bp::tuple(bp::detail::new_reference(bp::incref(loads(bytes).ptr())));
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to unpickle object from file: " + ToString(fileName) + ".");
    }
}

} // namespace tolva
