// Script classes of the input folder: the input module and its signals, the GUI module, and the
// control registry with its controls, modifiers, commands and script-implemented command handlers.
#include "scripting/bindings/Bindings.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/GameBase.h"
#include "input/GameControlRegistry.h"
#include "input/Gui.h"
#include "input/Input.h"
#include "scripting/support/ScriptKeepAlive.h"
#include "scripting/support/SignalBindings.h"
#include "scripting/support/ValueConverters.h"
#include "scripting/values/WindowHandle.h"
#include "scripting/wrappers/GameControlRegistry_CommandHandlerWrap.h"
#include "scripting/support/StrictEnum.h"

#include <CEGUI/Window.h>

#include <boost/python.hpp>
#include <boost/python/object/life_support.hpp>

#include <list>
#include <map>
#include <set>
#include <string>

namespace bp = boost::python;

namespace tolva::bindings {

namespace {

typedef GameControlRegistry Registry;

/// The script object of a handler that a script made; null for no handler and for the engine's
/// own handlers.
PyObject* scriptHandler(Registry::CommandHandler* handler)
{
    return handler ? bp::detail::wrapper_base_::owner(handler) : nullptr;
}

/// The registry goes with the game module, which is deleted before the interpreter ends, while
/// atexit functions and finalisers may still hold it: every member first makes sure the game
/// still has this registry.
Registry& liveRegistry(Registry& registry)
{
    const Engine* engine = Engine::getInstance();
    const GameBase* game = engine ? engine->getGame() : nullptr;
    if (!game || game->getControlRegistry() != &registry) {
        PyErr_SetString(PyExc_ReferenceError, "The control registry no longer exists.");
        bp::throw_error_already_set();
    }
    return registry;
}

template <auto Member>
struct LiveRegistry;

template <typename Result, typename... Args, Result (Registry::*Member)(Args...)>
struct LiveRegistry<Member> {
    static Result call(Registry& registry, Args... args) { return (liveRegistry(registry).*Member)(args...); }
};

template <typename Result, typename... Args, Result (Registry::*Member)(Args...) const>
struct LiveRegistry<Member> {
    static Result call(Registry& registry, Args... args) { return (liveRegistry(registry).*Member)(args...); }
};

/// Ties the life of the handler's script object to the life of the object that refers to it.
void keepHandlerWith(const bp::object& holder, Registry::CommandHandler* handler)
{
    if (PyObject* handlerObject = scriptHandler(handler)) {
        if (!bp::objects::make_nurse_and_patient(holder.ptr(), handlerObject)) {
            bp::throw_error_already_set();
        }
    }
}

/// Commands handed to scripts keep their script handler alive, as a command a script made does:
/// reading the handler of a copy must never reach a handler that is gone.
struct CommandElements : converters::CopyElements {
    using converters::CopyElements::toPython;

    static bp::object toPython(const Registry::Command& command)
    {
        bp::object result(command);
        keepHandlerWith(result, command.handler);
        return result;
    }
    static bp::object toPython(Registry::Command* command) { return command ? toPython(*command) : bp::object(); }
};

// The registry keeps plain handler pointers: a script handler is kept alive under its command for
// as long as the registry's command refers to it, and let go when the command is removed or given
// another handler. Names may hold any byte, NUL included: the category's length comes first, so
// that no two (category, name) pairs share a key.
std::string keepAliveName(const Registry::Command& command)
{
    return std::to_string(command.category.size()) + ':' + command.category + command.name;
}

void keepHandler(Registry& registry, const Registry::Command& command, Registry::CommandHandler* handler)
{
    if (PyObject* handlerObject = scriptHandler(handler)) {
        ScriptKeepAlive::keep(&registry, keepAliveName(command), bp::object(bp::handle<>(bp::borrowed(handlerObject))));
    } else {
        ScriptKeepAlive::release(&registry, keepAliveName(command));
    }
}

/// Refuses, before anything changes, a script handler that could not be kept: the registry would
/// otherwise call a handler whose script object is gone.
void requireKeepableHandler(Registry::CommandHandler* handler)
{
    if (scriptHandler(handler)) {
        ScriptKeepAlive::requireKeeping("The interpreter is ending: no command handler can be set any more.");
    }
}

void addCommand(Registry& registry, const Registry::Command& command)
{
    liveRegistry(registry);
    const bool present = registry.isCommandPresent(command);
    if (!present) {
        requireKeepableHandler(command.handler);
    }
    registry.addCommand(command);
    if (!present) {
        keepHandler(registry, command, command.handler);
    }
}

void removeCommand(Registry& registry, const Registry::Command& command)
{
    liveRegistry(registry).removeCommand(command);
    ScriptKeepAlive::release(&registry, keepAliveName(command));
}

void setHandler(Registry& registry, const Registry::Command& command, Registry::CommandHandler* handler)
{
    liveRegistry(registry);
    if (registry.isCommandPresent(command)) {
        requireKeepableHandler(handler);
    }
    registry.setHandler(command, handler);
    if (registry.isCommandPresent(command)) {
        keepHandler(registry, command, handler);
    }
}

/// The script's own handler object; None for no handler.
bp::object getHandler(const Registry::Command& command)
{
    if (!command.handler) {
        return bp::object();
    }
    PyObject* handlerObject = scriptHandler(command.handler);
    if (!handlerObject) {
        PyErr_SetString(PyExc_TypeError, "The command's handler is part of the engine and has no script object.");
        bp::throw_error_already_set();
    }
    return bp::object(bp::handle<>(bp::borrowed(handlerObject)));
}

/// The GUI module is deleted before the interpreter ends, while atexit functions and finalisers
/// may still hold it: every member first makes sure the engine still has this GUI module.
Gui& liveGui(Gui& gui)
{
    const Engine* engine = Engine::getInstance();
    if (!engine || engine->getGui() != &gui) {
        PyErr_SetString(PyExc_ReferenceError, "The GUI module no longer exists.");
        bp::throw_error_already_set();
    }
    return gui;
}

template <auto Member>
struct LiveGui;

template <typename Result, typename... Args, Result (Gui::*Member)(Args...)>
struct LiveGui<Member> {
    static Result call(Gui& gui, Args... args) { return (liveGui(gui).*Member)(args...); }
};

template <typename Result, typename... Args, Result (Gui::*Member)(Args...) const>
struct LiveGui<Member> {
    static Result call(Gui& gui, Args... args) { return (liveGui(gui).*Member)(args...); }
};

/// The window of a script's handle: None is refused with ValueError, a destroyed window with
/// ReferenceError, before the GUI module sees either.
CEGUI::Window* windowOf(const values::WindowHandle* handle, const char* member)
{
    if (!handle) {
        throw InvalidArgumentException(std::string("Gui.") + member + " needs a window, not None.");
    }
    return handle->get();
}

bp::object scriptWindow(CEGUI::Window* window)
{
    return window ? bp::object(values::WindowHandle(window)) : bp::object();
}

void addChild(Gui& gui, const values::WindowHandle* window)
{
    liveGui(gui).addChild(windowOf(window, "addChild"));
}

void removeChild(Gui& gui, const values::WindowHandle* window)
{
    liveGui(gui).removeChild(windowOf(window, "removeChild"));
}

void destroyWindow(Gui& gui, const values::WindowHandle* window)
{
    liveGui(gui).destroyWindow(windowOf(window, "destroyWindow"));
}

bp::object createMenu(Gui& gui, const std::string& filename, const std::string& prefix)
{
    return scriptWindow(liveGui(gui).createMenu(filename, prefix));
}

bp::object createHud(Gui& gui, const std::string& filename, const std::string& prefix)
{
    return scriptWindow(liveGui(gui).createHud(filename, prefix));
}

bp::object createWidget(Gui& gui, const std::string& type, const std::string& name, const std::string& prefix)
{
    return scriptWindow(liveGui(gui).createWidget(type, name, prefix));
}

template <typename Member>
bp::object valueProperty(Member member)
{
    return bp::make_getter(member, bp::return_value_policy<bp::return_by_value>());
}

} // namespace

void bindInputSignals()
{
    class_PythonSignal<KeySignal>("KeyEvent", false);
    class_PythonSignal<MouseMotionSignal>("MouseMotionEvent", false);
    class_PythonSignal<MouseButtonSignal>("MouseButtonEvent", false);
}

// The devices are the input library's own objects with no script class: those members raise
// TypeError.
void bindInput()
{
    typedef bp::return_internal_reference<1> Owned;
    bp::class_<Input, boost::noncopyable>("Input", bp::no_init)
        .def("getKeyboard", &Input::getKeyboard, Owned())
        .def("getMouse", &Input::getMouse, Owned())
        .def("eventKeyPressed", &Input::eventKeyPressed, Owned())
        .def("eventKeyReleased", &Input::eventKeyReleased, Owned())
        .def("eventMouseMoved", &Input::eventMouseMoved, Owned())
        .def("eventMousePressed", &Input::eventMousePressed, Owned())
        .def("eventMouseReleased", &Input::eventMouseReleased, Owned());
}

// Windows reach scripts as handles (TolvaValues.CEGUI.Window) that hear of their window's
// destruction: the GUI library destroys windows on its own terms, with their parent or the GUI.
// Every member raises ReferenceError once the GUI module itself is gone.
void bindGui()
{
    bp::class_<Gui, boost::noncopyable>("Gui", bp::no_init)
        .def("addChild", &addChild)
        .def("removeChild", &removeChild)
        .def("convertOISMouseButtonToCEGUI", &LiveGui<&Gui::convertOISMouseButtonToCEGUI>::call)
        .def("convertCEGUIMouseButtonToOIS", &LiveGui<&Gui::convertCEGUIMouseButtonToOIS>::call)
        .def("isSchemeLoaded", &LiveGui<&Gui::isSchemeLoaded>::call)
        .def("loadScheme", &LiveGui<&Gui::loadScheme>::call)
        .def("createMenu", &createMenu, (bp::arg("filename"), bp::arg("prefix") = ""))
        .def("createHud", &createHud, (bp::arg("filename"), bp::arg("prefix") = ""))
        .def("createWidget", &createWidget, (bp::arg("type"), bp::arg("name"), bp::arg("prefix") = ""))
        .def("destroyWindow", &destroyWindow);
}

void bindControlValues()
{
    typedef Registry::Control Control;
    typedef Registry::Modifier Modifier;
    tolva::strictEnum<Control::Type>("GameControlRegistry_Control_Type")
        .value("TYPE_NONE", Control::TYPE_NONE)
        .value("TYPE_KEY", Control::TYPE_KEY)
        .value("TYPE_MOUSE_BUTTON", Control::TYPE_MOUSE_BUTTON)
        .value("TYPE_MOUSE_AXIS_X", Control::TYPE_MOUSE_AXIS_X)
        .value("TYPE_MOUSE_AXIS_Y", Control::TYPE_MOUSE_AXIS_Y)
        .value("TYPE_MOUSE_AXIS_Z", Control::TYPE_MOUSE_AXIS_Z)
        .value("TYPE_MOUSE_AXIS_MASK", Control::TYPE_MOUSE_AXIS_MASK);
    bp::class_<Control>("GameControlRegistry_Control", bp::init<Control::Type, std::int32_t>())
        .def(bp::self == bp::self)
        .def(bp::self < bp::self)
        .def("getType", &Control::getType)
        .def("getValue", &Control::getValue);

    tolva::strictEnum<Modifier::Type>("GameControlRegistry_Modifier_Type")
        .value("TYPE_NONE", Modifier::TYPE_NONE)
        .value("TYPE_CUSTOM", Modifier::TYPE_CUSTOM);
    bp::class_<Modifier>("GameControlRegistry_Modifier", bp::init<>())
        .def(bp::init<const Modifier&>())
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self < bp::self)
        .def("getType", &Modifier::getType)
        .def("addControl", &Modifier::addControl)
        .def("removeControl", &Modifier::removeControl)
        .def("getControls", &Modifier::getControls, bp::return_value_policy<bp::return_by_value>());
    registerContainerToTuple<std::set<Control>>();
}

void bindCommand()
{
    typedef Registry::Command Command;
    bp::class_<Command>("GameControlRegistry_Command", bp::init<const std::string&, const std::string&>())
        .def(bp::init<const std::string&, const std::string&, bool>())
        // The command keeps its handler's script object alive: the handler pointer it carries
        // into the registry is never left dangling.
        .def(bp::init<const std::string&, const std::string&, bool,
            Registry::CommandHandler*>()[bp::with_custodian_and_ward<1, 5>()])
        .def(bp::self == bp::self)
        .def(bp::self < bp::self)
        .add_property("category", valueProperty(&Command::category))
        .add_property("name", valueProperty(&Command::name))
        .add_property("repeat", valueProperty(&Command::repeat))
        .add_property("handler", &getHandler);
}

void bindCommandHandler()
{
    bp::class_<GameControlRegistry_CommandHandlerWrap, boost::noncopyable>("GameControlRegistry_CommandHandler")
        .def("handleCommand", bp::pure_virtual(&Registry::CommandHandler::handleCommand));
}

void bindControlRegistry()
{
    typedef void (Registry::*UnbindCommand)(const Registry::Command&);
    typedef void (Registry::*UnbindControl)(const Registry::Control&);
    typedef void (Registry::*UnbindCommandInLayer)(const Registry::Modifier&, const Registry::Command&);
    typedef void (Registry::*UnbindControlInLayer)(const Registry::Modifier&, const Registry::Control&);
    bp::class_<Registry, boost::noncopyable>("GameControlRegistry", bp::no_init)
        .def("isRepeatCommandMaintained", &LiveRegistry<&Registry::isRepeatCommandMaintained>::call)
        .def("setRepeatCommandMaintained", &LiveRegistry<&Registry::setRepeatCommandMaintained>::call)
        .def("isNewModifierCommandDispatched", &LiveRegistry<&Registry::isNewModifierCommandDispatched>::call)
        .def("setNewModifierCommandDispatched", &LiveRegistry<&Registry::setNewModifierCommandDispatched>::call)
        .def("isCommandPresent", &LiveRegistry<&Registry::isCommandPresent>::call)
        .def("addCommand", &addCommand)
        .def("removeCommand", &removeCommand)
        .def("isCommandEnabled", &LiveRegistry<&Registry::isCommandEnabled>::call)
        .def("setCommandEnabled", &LiveRegistry<&Registry::setCommandEnabled>::call)
        .def("getCommands", &LiveRegistry<&Registry::getCommands>::call, bp::return_value_policy<bp::return_by_value>())
        .def("addModifier", &LiveRegistry<&Registry::addModifier>::call)
        .def("removeModifier", &LiveRegistry<&Registry::removeModifier>::call)
        .def("getModifiers", &LiveRegistry<&Registry::getModifiers>::call,
            bp::return_value_policy<bp::return_by_value>())
        .def("bind", &LiveRegistry<&Registry::bind>::call)
        .def("unbind", &LiveRegistry<static_cast<UnbindCommand>(&Registry::unbind)>::call)
        .def("unbind", &LiveRegistry<static_cast<UnbindControl>(&Registry::unbind)>::call)
        .def("unbind", &LiveRegistry<static_cast<UnbindCommandInLayer>(&Registry::unbind)>::call)
        .def("unbind", &LiveRegistry<static_cast<UnbindControlInLayer>(&Registry::unbind)>::call)
        .def("getBindings", &LiveRegistry<&Registry::getBindings>::call, bp::return_value_policy<bp::return_by_value>())
        .def("setHandler", &setHandler);

    registerContainerToTuple<std::list<Registry::Command>, CommandElements>();
    registerContainerToTuple<std::list<Registry::Modifier>>();
    registerMapToDictionary<Registry::Control, Registry::Command*, CommandElements>();
}

} // namespace tolva::bindings
