// Bound enums that refuse values they do not name. The binding library lets a script make an enum
// object of any number (Node_TransformSpace(99)) and hands it on as the C++ enum, whose value is
// then out of its range before any engine check could see it.
//
// Every interpreter (an engine restart makes a new one) binds its own enum classes, but the
// binding library's converter registry lives as long as the process: an enum's conversions are
// registered by its first binding only, and later bindings reuse them.
#pragma once

#include <boost/python.hpp>

namespace tolva {

namespace detail {

template <typename T>
struct StrictEnumConverter {
    static PyObject*& enumClass()
    {
        static PyObject* cls = nullptr;
        return cls;
    }

    /// Claims exactly the enum objects whose number the enum does not name, so that they reach
    /// construct() and fail there; named values go on to the library's own converter.
    static void* convertible(PyObject* object)
    {
        PyObject* cls = enumClass();
        if (!cls || PyObject_IsInstance(object, cls) != 1) {
            return nullptr;
        }
        PyObject* values = PyObject_GetAttrString(cls, "values");
        if (!values) {
            PyErr_Clear();
            return nullptr;
        }
        const int named = PyDict_Check(values) ? PyDict_Contains(values, object) : 1;
        Py_DECREF(values);
        if (named < 0) {
            PyErr_Clear();
            return object;
        }
        return named ? nullptr : object;
    }

    static void construct(PyObject* object, boost::python::converter::rvalue_from_python_stage1_data*)
    {
        PyObject* name = PyObject_GetAttrString(enumClass(), "__name__");
        PyErr_Format(PyExc_ValueError, "%R is not a value of %S.", object, name ? name : Py_None);
        Py_XDECREF(name);
        boost::python::throw_error_already_set();
    }
};

} // namespace detail

/// Binds the enum as boost::python::enum_ does. The library's conversions find the enum class
/// through the registry at every call, so those of the first binding serve the classes of later
/// interpreters too; a second registration would only warn ("to-Python converter ... already
/// registered") and put one more from-Python conversion in front of those that came after the
/// first (a strict enum's check among them).
template <typename T>
boost::python::enum_<T> boundEnum(const char* name)
{
    namespace converter = boost::python::converter;
    // The library's enum binding itself changes the entry it hands out read-only.
    converter::registration& registration
        = const_cast<converter::registration&>(converter::registry::lookup(boost::python::type_id<T>()));
    static bool boundBefore = false;
    if (!boundBefore) {
        boundBefore = true;
        return boost::python::enum_<T>(name);
    }
    converter::rvalue_from_python_chain* const registered = registration.rvalue_chain;
    registration.m_to_python = nullptr;
    boost::python::enum_<T> bound(name);
    converter::rvalue_from_python_chain* const added = registration.rvalue_chain;
    if (added != registered && added->next == registered) {
        registration.rvalue_chain = registered;
        delete added;
    }
    return bound;
}

/// Binds the enum as boundEnum does, and refuses with ValueError every enum object of it whose
/// number is not one of its named values. The check runs before any bound function is called.
template <typename T>
boost::python::enum_<T> strictEnum(const char* name)
{
    boost::python::enum_<T> bound = boundEnum<T>(name);
    detail::StrictEnumConverter<T>::enumClass() = bound.ptr();
    Py_INCREF(bound.ptr());
    // Converters inserted later are asked first, so it sees the value before the library's own.
    static const bool inserted
        = (boost::python::converter::registry::insert(&detail::StrictEnumConverter<T>::convertible,
               &detail::StrictEnumConverter<T>::construct, boost::python::type_id<T>()),
            true);
    (void)inserted;
    return bound;
}

} // namespace tolva
