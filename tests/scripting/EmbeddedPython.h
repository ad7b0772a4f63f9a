// A bare interpreter for binding tests that need no engine: test modules are appended to the
// built-in table before it starts, and snippets run in the __main__ namespace.
#pragma once

#include <boost/python.hpp>

#include <string>

namespace tolva::test {

class EmbeddedPython {
public:
    typedef PyObject* (*ModuleInit)();

    /// Appends the module to the built-in table (only before the first instance exists) and
    /// starts the interpreter.
    EmbeddedPython(const char* moduleName, ModuleInit init);
    ~EmbeddedPython();
    EmbeddedPython(const EmbeddedPython&) = delete;
    EmbeddedPython& operator=(const EmbeddedPython&) = delete;

    /// Runs statements in __main__; a Python error fails the test with its traceback.
    void run(const std::string& statements);
    /// The value of an expression evaluated in __main__.
    boost::python::object eval(const std::string& expression);
    boost::python::object& globals() { return mGlobals; }

    /// The class name of the pending Python error ("" when none), clearing it.
    static std::string takeErrorName();
    /// The text of the pending Python error ("" when none), clearing it.
    static std::string takeErrorText();

private:
    boost::python::object mGlobals; // None until the interpreter runs
};

} // namespace tolva::test
