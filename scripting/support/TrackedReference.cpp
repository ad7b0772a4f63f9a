#include "scripting/support/TrackedReference.h"

#include <boost/python/object/class_detail.hpp>
#include <boost/python/object/instance.hpp>

namespace tolva::detail {

HandleLifeHolder* findHandleLifeHolder(PyObject* object)
{
    namespace bp = boost::python;
    PyTypeObject* metatype = reinterpret_cast<PyTypeObject*>(bp::objects::class_metatype().get());
    if (!object || !PyType_IsSubtype(Py_TYPE(Py_TYPE(object)), metatype)) {
        return nullptr;
    }
    auto* instance = reinterpret_cast<bp::objects::instance<>*>(object);
    for (bp::instance_holder* holder = instance->objects; holder; holder = holder->next()) {
        if (auto* watched = dynamic_cast<HandleLifeHolder*>(holder)) {
            return watched;
        }
    }
    return nullptr;
}

void bindPartToOwner(PyObject* owner, PyObject* part)
{
    // An owner the script made lives as long as its script object, which the part keeps alive.
    const HandleLifeHolder* ownerHolder = findHandleLifeHolder(owner);
    HandleLifeHolder* partHolder = findHandleLifeHolder(part);
    if (ownerHolder && partHolder) {
        partHolder->bindToOwner(*ownerHolder, Py_TYPE(owner));
    }
}

} // namespace tolva::detail
