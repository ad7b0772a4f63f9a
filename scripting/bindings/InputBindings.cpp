// Script classes of the input folder: script-implemented command handlers.
#include "scripting/bindings/Bindings.h"

#include "scripting/wrappers/GameControlRegistry_CommandHandlerWrap.h"

#include <boost/python.hpp>

namespace bp = boost::python;

namespace tolva::bindings {

void bindCommandHandler()
{
    bp::class_<GameControlRegistry_CommandHandlerWrap, boost::noncopyable>("GameControlRegistry_CommandHandler")
        .def("handleCommand", bp::pure_virtual(&GameControlRegistry::CommandHandler::handleCommand));
}

} // namespace tolva::bindings
