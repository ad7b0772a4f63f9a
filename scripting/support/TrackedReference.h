// Handles through which scripts reach engine objects they do not own. The Python object refers to
// the engine's object without owning it and asks ObjectLives before every use: once the object is
// gone, the handle no longer converts to the object, so every member called through it (or any
// call it is passed to) raises ReferenceError naming what is gone (see GoneHandles) instead of
// touching freed memory.
//
// Bound members return such handles with the call policy `Tracked`; engine code lends objects to
// scripts (signal and listener arguments) with lendToScript. A part of an object (its signal, its
// listener holder) comes with the policy `TrackedPart`: reached through a handle, it refuses use
// once that handle's object is gone, since the part went with it.
#pragma once

#include "core/Hierarchical.h"
#include "scripting/support/GoneHandles.h"
#include "scripting/support/ObjectLives.h"

#include <OgreMovableObject.h>

#include <boost/python/object.hpp>
#include <boost/python/object/make_ptr_instance.hpp>
#include <boost/python/converter/registered.hpp>
#include <boost/python/errors.hpp>
#include <boost/python/handle.hpp>
#include <boost/python/object/instance.hpp>
#include <boost/python/instance_holder.hpp>
#include <boost/python/object/inheritance_query.hpp>
#include <boost/python/return_value_policy.hpp>
#include <boost/python/to_python_indirect.hpp>
#include <boost/python/with_custodian_and_ward.hpp>

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

namespace tolva {

class Contact;

/// How the life of an object of type T is watched: scene and physical objects through the
/// hierarchy, geometries and bodies as movable objects; anything else lives as long as what
/// handed it out (the policy that returns it keeps that alive).
template <typename T>
ObjectLives::Token watchLife(T* object)
{
    if constexpr (std::is_base_of_v<Hierarchical, T>) {
        return ObjectLives::watch(static_cast<const Hierarchical*>(object));
    } else if constexpr (std::is_base_of_v<Ogre::MovableObject, T>) {
        return ObjectLives::watch(static_cast<Ogre::MovableObject*>(const_cast<std::remove_const_t<T>*>(object)));
    } else {
        return ObjectLives::unwatched();
    }
}

/// What the instance holder of every handle knows: whether its object still lives, and, for a
/// part of another object, whether that object still lives.
class HandleLifeHolder : public boost::python::instance_holder {
public:
    explicit HandleLifeHolder(ObjectLives::Token life)
        : mLife(std::move(life))
        , mOwnerLife(ObjectLives::unwatched())
    {
    }

    bool isAlive() const { return *mLife && *mOwnerLife; }
    /// The handle's object is a part of the object the given holder refers to (itself no part),
    /// whose script class is given. Classes of the binding library are never freed.
    void bindToOwner(const HandleLifeHolder& owner, PyTypeObject* ownerClass)
    {
        mOwnerLife = owner.mLife;
        mOwnerClass = ownerClass;
    }

    /// What a script is told when it uses the handle (the given script object) once its object
    /// is gone: the object's class, and for a part the class of the object it went with.
    std::string describeGone(PyObject* self) const
    {
        const std::string own = Py_TYPE(self)->tp_name;
        if (*mLife && mOwnerClass) {
            return "The " + own + "'s " + mOwnerClass->tp_name + " no longer exists.";
        }
        return "The " + own + " no longer exists.";
    }

private:
    ObjectLives::Token mLife;
    ObjectLives::Token mOwnerLife;
    PyTypeObject* mOwnerClass = nullptr;
};

/// The instance holder of a handle: the engine object while it lives, nothing afterwards.
template <typename T>
class TrackedHolder : public HandleLifeHolder {
public:
    explicit TrackedHolder(T* object)
        : HandleLifeHolder(watchLife(object))
        , mObject(object)
    {
    }

    /// An object that lives as long as another one (a member of it): the other's life.
    TrackedHolder(T* object, ObjectLives::Token life)
        : HandleLifeHolder(std::move(life))
        , mObject(object)
    {
    }

    void* holds(boost::python::type_info type, bool nullPointerOnly) override
    {
        if (!isAlive()) {
            GoneHandles::_noteRefusal(this, type);
            return nullptr;
        }
        if (type == boost::python::type_id<T*>()) {
            return nullPointerOnly ? nullptr : &mObject;
        }
        const boost::python::type_info own = boost::python::type_id<T>();
        return own == type ? mObject : boost::python::objects::find_dynamic_type(mObject, own, type);
    }

private:
    T* mObject;
};

namespace detail {

/// The holder through which a script object refers to an engine object it does not own, if it
/// is such a handle.
HandleLifeHolder* findHandleLifeHolder(PyObject* object);

struct MakeTrackedHolder {
    template <typename T>
    static PyObject* execute(T* object)
    {
        typedef std::remove_const_t<T> Object;
        Object* pointer = const_cast<Object*>(object);
        return boost::python::objects::make_ptr_instance<Object, TrackedHolder<Object>>::execute(pointer);
    }
};

struct TrackedResultGenerator {
    template <typename R>
    struct apply {
        typedef boost::python::to_python_indirect<R, MakeTrackedHolder> type;
    };
};

/// Binds the life of a part handed out (the result) to the life of the object it was reached
/// through (the first argument), when that object is itself a handle's.
void bindPartToOwner(PyObject* owner, PyObject* part);

struct BindPartLife : boost::python::default_call_policies {
    template <typename ArgumentPackage>
    static PyObject* postcall(const ArgumentPackage& arguments, PyObject* result)
    {
        if (result && PyTuple_Check(arguments) && PyTuple_GET_SIZE(arguments) > 0) {
            bindPartToOwner(PyTuple_GET_ITEM(arguments, 0), result);
        }
        return result;
    }
};

} // namespace detail

/// Call policy of members returning a pointer or reference to an engine object: a handle of the
/// object's own script class (None for null).
typedef boost::python::return_value_policy<detail::TrackedResultGenerator> Tracked;

/// Call policy of members returning a part of their object (a signal, a listener holder): a
/// handle that keeps the object's script object alive and refuses use once the object is gone.
typedef boost::python::return_value_policy<detail::TrackedResultGenerator,
    boost::python::with_custodian_and_ward_postcall<0, 1, detail::BindPartLife>>
    TrackedPart;

/// A handle of the object (None for null).
template <typename T>
boost::python::object makeTracked(T* object)
{
    if (!object) {
        return boost::python::object();
    }
    return boost::python::object(
        boost::python::handle<>(boost::python::to_python_indirect<T*, detail::MakeTrackedHolder>()(object)));
}

/// A handle of a member object of another (None for null), alive while that other one lives.
/// The object's script class is the class registered for T itself.
template <typename T>
boost::python::object makeTracked(T* object, ObjectLives::Token life)
{
    typedef TrackedHolder<T> Holder;
    typedef boost::python::objects::instance<Holder> Instance;
    if (!object) {
        return boost::python::object();
    }
    PyTypeObject* type = boost::python::converter::registered<T>::converters.get_class_object();
    if (!type) {
        boost::python::throw_error_already_set();
    }
    PyObject* raw = type->tp_alloc(type, boost::python::objects::additional_instance_size<Holder>::value);
    if (!raw) {
        boost::python::throw_error_already_set();
    }
    boost::python::object result{boost::python::handle<>(raw)};
    Instance* instance = reinterpret_cast<Instance*>(raw);
    Holder* holder = new (&instance->storage) Holder(object, std::move(life));
    holder->install(raw);
    Py_SET_SIZE(instance, offsetof(Instance, storage));
    return result;
}

/// An object the engine lends to a script for one call: a handle, which stays safe to use when
/// the script keeps it beyond the call.
template <typename T>
boost::python::object lendToScript(T* object)
{
    return makeTracked(object);
}

/// A contact record is reused by the engine after the call: the script gets a copy, whose two
/// physical objects are watched from now on.
boost::python::object lendToScript(Contact* contact);

} // namespace tolva
