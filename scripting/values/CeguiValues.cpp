// TolvaValues.CEGUI: the GUI library's mouse buttons, and handles of its windows (Window), which
// scripts receive from the GUI module and hand back to it. A handle offers only what identifies
// its window; once the window is destroyed, using the handle raises ReferenceError.
#include "scripting/values/ValuesModule.h"
#include "scripting/values/WindowHandle.h"
#include "scripting/support/StrictEnum.h"

#include <CEGUI/InputEvent.h>
#include <CEGUI/Window.h>

#include <boost/python.hpp>

#include <string>

namespace bp = boost::python;

namespace tolva::values {

namespace {

std::string windowName(const WindowHandle& handle)
{
    return handle.get()->getName().c_str();
}

std::string windowText(const WindowHandle& handle)
{
    const CEGUI::Window* window = handle.peek();
    if (!window) {
        return "Window(<destroyed>)";
    }
    return "Window('" + std::string(window->getName().c_str()) + "')";
}

} // namespace

void defineCeguiValues()
{
    tolva::strictEnum<CEGUI::MouseButton>("MouseButton")
        .value("LeftButton", CEGUI::LeftButton)
        .value("RightButton", CEGUI::RightButton)
        .value("MiddleButton", CEGUI::MiddleButton)
        .value("X1Button", CEGUI::X1Button)
        .value("X2Button", CEGUI::X2Button)
        .value("MouseButtonCount", CEGUI::MouseButtonCount)
        .value("NoButton", CEGUI::NoButton)
        .export_values();

    bp::class_<WindowHandle>("Window", bp::no_init)
        .def("getName", &windowName)
        .def("isAlive", &WindowHandle::isAlive)
        .def(
            "__eq__", +[](const WindowHandle& a, const WindowHandle& b) { return a == b; })
        .def(
            "__ne__", +[](const WindowHandle& a, const WindowHandle& b) { return a != b; })
        .def("__hash__", &WindowHandle::hash)
        .def("__repr__", &windowText);
}

} // namespace tolva::values
