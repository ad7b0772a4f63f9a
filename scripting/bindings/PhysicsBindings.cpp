// Script classes of the physics folder: collision listeners and their holders.
#include "scripting/bindings/Bindings.h"

#include "scripting/wrappers/CollisionListenerWrap.h"
#include "scripting/support/InterfaceHolderBindings.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva::bindings {

void bindCollisionListener()
{
    class_InterfaceHolder<CollisionListener>("CollisionListener");
    bp::class_<CollisionListenerWrap, boost::noncopyable>("CollisionListener")
        .def("collision", bp::pure_virtual(&CollisionListener::collision));
}

} // namespace tolva::bindings
