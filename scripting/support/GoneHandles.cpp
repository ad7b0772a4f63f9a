#include "scripting/support/GoneHandles.h"

#include "scripting/support/TrackedReference.h"

#include <boost/python/converter/registry.hpp>
#include <boost/python/make_function.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace bp = boost::python;

namespace tolva {

namespace {

struct Refusal {
    const HandleLifeHolder* holder;
    bp::type_info type;
};

/// Refusals noted during the bound calls now running, innermost last.
std::vector<Refusal>& getRefusals()
{
    static std::vector<Refusal>* refusals = new std::vector<Refusal>;
    return *refusals;
}

int gCallDepth = 0;
ternaryfunc gLibraryCall = nullptr;

/// Sets ReferenceError when the argument is a handle of a gone object that was refused for a
/// class it is of, so that only its object's end kept it out (a handle of the wrong class keeps
/// the library's TypeError).
bool reportGone(PyObject* argument, std::size_t firstRefusal)
{
    const HandleLifeHolder* holder = detail::findHandleLifeHolder(argument);
    if (!holder || holder->isAlive()) {
        return false;
    }
    const std::vector<Refusal>& refusals = getRefusals();
    for (std::size_t index = firstRefusal; index < refusals.size(); ++index) {
        if (refusals[index].holder != holder) {
            continue;
        }
        const bp::converter::registration* wanted = bp::converter::registry::query(refusals[index].type);
        PyTypeObject* wantedClass = wanted ? wanted->m_class_object : nullptr;
        if (wantedClass && PyType_IsSubtype(Py_TYPE(argument), wantedClass)) {
            const std::string text = holder->describeGone(argument);
            PyErr_SetString(PyExc_ReferenceError, text.c_str());
            return true;
        }
    }
    return false;
}

void reportGoneArgument(PyObject* arguments, PyObject* keywords, std::size_t firstRefusal)
{
    for (Py_ssize_t index = 0; arguments && index < PyTuple_GET_SIZE(arguments); ++index) {
        if (reportGone(PyTuple_GET_ITEM(arguments, index), firstRefusal)) {
            return;
        }
    }
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    for (Py_ssize_t position = 0; keywords && PyDict_Next(keywords, &position, &key, &value);) {
        if (reportGone(value, firstRefusal)) {
            return;
        }
    }
}

PyObject* callReportingGoneHandles(PyObject* function, PyObject* arguments, PyObject* keywords)
{
    const std::size_t firstRefusal = getRefusals().size();
    ++gCallDepth;
    PyObject* result = gLibraryCall(function, arguments, keywords);
    --gCallDepth;
    if (!result && getRefusals().size() > firstRefusal && PyErr_ExceptionMatches(PyExc_TypeError)) {
        // The refusal replaces the library's error only when it explains it; the rest stays.
        PyObject* type = nullptr;
        PyObject* value = nullptr;
        PyObject* traceback = nullptr;
        PyErr_Fetch(&type, &value, &traceback);
        reportGoneArgument(arguments, keywords, firstRefusal);
        if (PyErr_Occurred()) {
            Py_XDECREF(type);
            Py_XDECREF(value);
            Py_XDECREF(traceback);
        } else {
            PyErr_Restore(type, value, traceback);
        }
    }
    getRefusals().resize(firstRefusal, Refusal{nullptr, bp::type_info()});
    return result;
}

void probe() {}

} // namespace

void GoneHandles::install()
{
    // Every bound function, of any module, is an object of the library's one function type.
    const bp::object function = bp::make_function(&probe);
    PyTypeObject* functionType = Py_TYPE(function.ptr());
    if (functionType->tp_call != &callReportingGoneHandles) {
        gLibraryCall = functionType->tp_call;
        functionType->tp_call = &callReportingGoneHandles;
    }
}

void GoneHandles::_noteRefusal(const HandleLifeHolder* holder, bp::type_info type)
{
    // Outside a bound call (engine code extracting an object) nobody would read the note.
    if (gCallDepth > 0) {
        getRefusals().push_back(Refusal{holder, type});
    }
}

} // namespace tolva
