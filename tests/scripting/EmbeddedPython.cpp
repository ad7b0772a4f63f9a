#include "EmbeddedPython.h"

#include <gtest/gtest.h>

namespace bp = boost::python;

namespace tolva::test {

EmbeddedPython::EmbeddedPython(const char* moduleName, ModuleInit init)
{
    if (PyImport_AppendInittab(moduleName, init) == -1) {
        throw std::runtime_error("cannot append test module");
    }
    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    config.install_signal_handlers = 0;
    PyStatus status = Py_InitializeFromConfig(&config);
    PyConfig_Clear(&config);
    if (PyStatus_Exception(status)) {
        throw std::runtime_error("cannot start the interpreter");
    }
    mGlobals = bp::import("__main__").attr("__dict__");
}

EmbeddedPython::~EmbeddedPython()
{
    PyErr_Clear();
    PyDict_Clear(mGlobals.ptr());
    mGlobals = bp::object();
    Py_Finalize();
}

void EmbeddedPython::run(const std::string& statements)
{
    try {
        bp::exec(statements.c_str(), mGlobals, mGlobals);
    } catch (const bp::error_already_set&) {
        ADD_FAILURE() << "Python error in:\n" << statements << "\n" << takeErrorText();
    }
}

bp::object EmbeddedPython::eval(const std::string& expression)
{
    return bp::eval(expression.c_str(), mGlobals, mGlobals);
}

std::string EmbeddedPython::takeErrorName()
{
    if (!PyErr_Occurred()) {
        return "";
    }
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    std::string name = reinterpret_cast<PyTypeObject*>(type)->tp_name;
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return name;
}

std::string EmbeddedPython::takeErrorText()
{
    if (!PyErr_Occurred()) {
        return "";
    }
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    std::string text = reinterpret_cast<PyTypeObject*>(type)->tp_name;
    if (value) {
        PyObject* str = PyObject_Str(value);
        if (str) {
            text += ": ";
            text += PyUnicode_AsUTF8(str);
            Py_DECREF(str);
        }
        PyErr_Clear();
    }
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return text;
}

} // namespace tolva::test
