// The scripting module: the embedded Python interpreter that runs the game's scripts.
//
// The interpreter starts when this object is built (after the built-in modules "TolvaEngine",
// "TolvaValues" and the game's own were added to its table) and ends when it is deleted; an engine restart
// therefore runs a fresh interpreter. Every statement and script file runs in the namespace of
// "__main__". Everything scripts print goes into an in-memory buffer while initialise() sets
// things up, and into the engine log from then on, one log message per write.
//
// Operations that run script text throw ScriptingException with a fixed message and leave the
// Python error pending; whoever catches it fetches the traceback with getErrorString(). Main
// thread only; the interpreter lock is never touched.
#pragma once

#include <boost/python/object.hpp>
#include <boost/python/tuple.hpp>

#include <string>

#include "core/EngineModule.h"
#include "core/Singleton.h"

namespace tolva {

class Python : public Singleton<Python>, public EngineModule {
public:
    /// Registers the built-in modules and starts the interpreter.
    /// @param programPath the program's first argument, the interpreter's program name
    /// @throw InitialisationException "Could not install tolva module in Python initialisation
    ///        table." when the built-in table refuses the engine module
    explicit Python(const std::string& programPath);
    /// Ends the interpreter. Nothing of the engine may hold a Python object any more; what
    /// shutdown() would have released is released first.
    ~Python() override;

    Python(const Python&) = delete;
    Python& operator=(const Python&) = delete;

    /// Prepares the main namespace, the output capture, the module path (the current working
    /// directory) and imports "TolvaValues" and "TolvaEngine".
    /// @throw ScriptingException when one of these fails (the Python error stays pending)
    void initialise() override;
    void frame(float seconds) override;
    /// Releases the output buffer and the main namespace and resets sys.stdout and sys.stderr;
    /// scripts cannot print from then on.
    void shutdown() override;

    /// Runs Python source (several lines and definitions allowed) in the main namespace.
    /// @throw ScriptingException "Execution failed on statement: <statement>.", also for source
    ///        with a NUL byte, none of which runs (the pending error is a ValueError)
    boost::python::object executeStatement(const std::string& statement);
    /// Runs a script file of the file system (not a resource) in the main namespace.
    /// @throw ScriptingException "Execution failed for file <path>.", also for a file that
    ///        cannot be read (the pending error is then the OSError)
    boost::python::object executeFile(const std::string& path);
    /// Imports a module or package (dotted names allowed) and returns the last module of the
    /// path; binds no name in the main namespace.
    /// @throw ScriptingException "Failed to import module <name>."
    boost::python::object importModule(const std::string& name);
    /// An item of the main namespace; a missing one raises KeyError as
    /// boost::python::error_already_set.
    boost::python::object getGlobal(const std::string& name);
    /// Removes every name of the main namespace.
    void clear();

    /// The text of the pending Python error with its traceback, which also goes to the log;
    /// empty when no error is pending. Clears the error. A SystemExit is reported like any other
    /// error: it never ends the process from here.
    std::string getErrorString();

    /// Makes the engine log the interpreter's sys.stdout and sys.stderr.
    void connectToPythonOutput();
    /// Sets sys.stdout and sys.stderr to 0: printing fails from then on.
    void disconnectFromPythonOutput();

    /// Writes the value to the file in pickle protocol 2, through a FileReplacement: a failure
    /// never destroys the file that was there, a symbolic link stays a link to the rewritten file
    /// and the file keeps its mode. Instantiated for boost::python::tuple.
    /// @throw ScriptingException "Failed to pickle object to file: <file>."
    template <typename T>
    void pickleObject(const std::string& fileName, const T& value);
    /// Reads a pickled tuple from the resource of that name (through the engine's resources).
    /// Only plain data is read: tuples, numbers, booleans, text and byte strings; the data runs
    /// no code. Byte strings of files written by older versions come back as bytes, unchanged.
    /// Instantiated for boost::python::tuple.
    /// @throw ScriptingException "Failed to unpickle object from file: <file>." when the data
    ///        is no pickle, holds no tuple or holds anything but plain data; the resource
    ///        system's own exception when the resource does not exist
    template <typename T>
    T unpickleObject(const std::string& fileName);

private:
    boost::python::object& getMainDictionary();

    /// True while sys.stdout and sys.stderr are the output buffer.
    bool mOutputToBuffer;
    boost::python::object* mOutputBuffer;
    boost::python::object* mMainDictionary;
};

template <>
void Python::pickleObject<boost::python::tuple>(const std::string& fileName, const boost::python::tuple& value);
template <>
boost::python::tuple Python::unpickleObject<boost::python::tuple>(const std::string& fileName);

} // namespace tolva
