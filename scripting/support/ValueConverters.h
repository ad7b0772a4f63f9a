// Plain Python values for the pairs and standard containers that bound engine members return:
// a pair becomes a 2-tuple, a sequence or set a tuple, a map a dict. Registered as to-Python
// converters while the engine module is defined, so they apply to every member that returns one
// of these types by value.
#pragma once

#include <boost/python/converter/registry.hpp>
#include <boost/python/dict.hpp>
#include <boost/python/list.hpp>
#include <boost/python/object.hpp>
#include <boost/python/to_python_converter.hpp>
#include <boost/python/tuple.hpp>
#include <boost/python/type_id.hpp>

#include <map>
#include <utility>

namespace tolva {

namespace converters {

/// How elements become Python objects: by value, so every object built here is a copy and
/// changing it changes nothing in the engine; for a pointer, the object pointed to, copied, or
/// None for a null pointer. A binding whose elements need more (a copy that keeps a script object
/// alive) passes a policy of its own with the same two members.
struct CopyElements {
    template <typename T>
    static boost::python::object toPython(const T& value)
    {
        return boost::python::object(value);
    }
    template <typename T>
    static boost::python::object toPython(T* value)
    {
        return value ? toPython(*value) : boost::python::object();
    }
};

/// Registers the converter for T unless one exists. The binding library's registry outlives the
/// interpreter, so after an engine restart the converters of the first start are still in place.
template <typename T, typename Converter>
void registerToPython()
{
    const boost::python::converter::registration* registration
        = boost::python::converter::registry::query(boost::python::type_id<T>());
    if (registration && registration->m_to_python) {
        return;
    }
    boost::python::to_python_converter<T, Converter>();
}

} // namespace converters

template <typename A, typename B, typename Elements = converters::CopyElements>
struct PairToTupleConverter {
    static PyObject* convert(const std::pair<A, B>& pair)
    {
        boost::python::tuple result
            = boost::python::make_tuple(Elements::toPython(pair.first), Elements::toPython(pair.second));
        return boost::python::incref(result.ptr());
    }
};

/// Elements in the container's iteration order (a set: ascending).
template <typename C, typename Elements = converters::CopyElements>
struct ContainerToTupleConverter {
    static PyObject* convert(const C& container)
    {
        boost::python::list elements;
        for (const auto& element : container) {
            elements.append(Elements::toPython(element));
        }
        boost::python::tuple result(elements);
        return boost::python::incref(result.ptr());
    }
};

template <typename K, typename V, typename Elements = converters::CopyElements>
struct MapToDictionaryConverter {
    static PyObject* convert(const std::map<K, V>& map)
    {
        boost::python::dict result;
        for (const auto& entry : map) {
            result[Elements::toPython(entry.first)] = Elements::toPython(entry.second);
        }
        return boost::python::incref(result.ptr());
    }
};

template <typename A, typename B, typename Elements = converters::CopyElements>
void registerPairToTuple()
{
    converters::registerToPython<std::pair<A, B>, PairToTupleConverter<A, B, Elements>>();
}

template <typename C, typename Elements = converters::CopyElements>
void registerContainerToTuple()
{
    converters::registerToPython<C, ContainerToTupleConverter<C, Elements>>();
}

template <typename K, typename V, typename Elements = converters::CopyElements>
void registerMapToDictionary()
{
    converters::registerToPython<std::map<K, V>, MapToDictionaryConverter<K, V, Elements>>();
}

} // namespace tolva
