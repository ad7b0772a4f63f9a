#include "scripting/values/ValuesModule.h"

#include <boost/python.hpp>

#include <string>

namespace bp = boost::python;

namespace {

// The submodule goes into sys.modules under its dotted name, so that it can be imported by that
// name although the module holding it is no package.
void defineSubmodule(const char* name, void (*define)())
{
    const std::string fullName = std::string("TolvaValues.") + name;
    PyObject* module = PyImport_AddModule(fullName.c_str());
    if (!module) {
        bp::throw_error_already_set();
    }
    bp::object submodule(bp::handle<>(bp::borrowed(module)));
    bp::scope().attr(name) = submodule;
    bp::scope inner(submodule);
    define();
}

} // namespace

BOOST_PYTHON_MODULE(TolvaValues)
{
    using namespace tolva::values;
    bp::docstring_options noDocstrings(false, false, false);

    defineSubmodule("Ogre", &defineOgreValues);
    defineSubmodule("OIS", &defineOisValues);
    defineSubmodule("CEGUI", &defineCeguiValues);
    defineSubmodule("al", &defineSoundLayerValues);
    defineSubmodule("ode", &defineOdeValues);
}
