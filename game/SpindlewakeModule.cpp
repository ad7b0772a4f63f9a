// The game's script module. Scripts keep handles to the game's objects beyond any one call (in
// atexit functions and finalisers too): the play sphere, its body and the focal point come as
// tracked handles, and every member of the game, its camera, its controls and an inventory first
// makes sure that its object still exists (ReferenceError once it is gone).
#include "game/SpindlewakeModule.h"

#include <boost/python.hpp>

#include <utility>

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/GameBase.h"
#include "game/Camera.h"
#include "game/Game.h"
#include "game/GameControl.h"
#include "game/Inventory_ItemWrap.h"
#include "game/PlaySphere.h"
#include "input/GameControlRegistry.h"
#include "physics/MovableObject.h"
#include "scene/MeshObject.h"
#include "scripting/support/ObjectLives.h"
#include "scripting/support/TrackedReference.h"
#include "scripting/support/StrictEnum.h"

namespace bp = boost::python;

namespace tolva {

namespace {

typedef bp::return_internal_reference<1> Internal;
typedef Inventory::Item Item;

[[noreturn]] void raise(PyObject* type, const char* message)
{
    PyErr_SetString(type, message);
    throw bp::error_already_set();
}

[[noreturn]] void raiseGone(const char* message)
{
    raise(PyExc_ReferenceError, message);
}

Game* runningGame()
{
    const Engine* engine = Engine::getInstance();
    return engine ? dynamic_cast<Game*>(engine->getGame()) : nullptr;
}

/// The object a script's handle stands for, once it is known to exist.
template <typename T>
T& liveSelf(const bp::object& self);

/// Handles of objects watched elsewhere (the camera, an inventory) stop converting once their
/// object is gone; a handle of the class that no longer converts is such a handle.
template <typename T>
T& trackedSelf(const bp::object& self, const char* goneMessage)
{
    bp::extract<T&> object(self);
    if (object.check()) {
        return object();
    }
    PyTypeObject* type = bp::converter::registered<T>::converters.get_class_object();
    if (type && PyObject_IsInstance(self.ptr(), reinterpret_cast<PyObject*>(type)) == 1) {
        raiseGone(goneMessage);
    }
    raise(PyExc_TypeError, "The object is not of the member's class.");
}

/// The game is deleted before the interpreter ends: its handle is checked against the engine's
/// game, through the base class the handle holds, without reading the object itself.
template <>
Game& liveSelf<Game>(const bp::object& self)
{
    bp::extract<GameBase*> base(self);
    if (!base.check()) {
        raise(PyExc_TypeError, "The object is not a game.");
    }
    const Engine* engine = Engine::getInstance();
    GameBase* game = base();
    if (!game || !engine || engine->getGame() != game) {
        raiseGone("The game module no longer exists.");
    }
    Game* running = dynamic_cast<Game*>(game);
    if (!running) {
        raise(PyExc_TypeError, "The running game is not Spindlewake's game.");
    }
    return *running;
}

template <>
GameBase& liveSelf<GameBase>(const bp::object& self)
{
    return liveSelf<Game>(self);
}

/// The controls go with the game: a handle is checked against the running game's controls.
template <>
GameControl& liveSelf<GameControl>(const bp::object& self)
{
    bp::extract<GameControl*> controls(self);
    if (!controls.check()) {
        raise(PyExc_TypeError, "The object is not the game's controls.");
    }
    const Game* game = runningGame();
    if (!controls() || !game || game->getControls() != controls()) {
        raiseGone("The game's controls no longer exist.");
    }
    return *controls();
}

template <>
Camera& liveSelf<Camera>(const bp::object& self)
{
    return trackedSelf<Camera>(self, "The game camera no longer exists.");
}

template <>
Inventory& liveSelf<Inventory>(const bp::object& self)
{
    return trackedSelf<Inventory>(self, "The inventory's play sphere no longer exists.");
}

/// A member called on a live object only.
template <auto Member>
struct Live;

template <typename Class, typename Result, typename... Args, Result (Class::*Member)(Args...)>
struct Live<Member> {
    static Result call(const bp::object& self, Args... args)
    {
        return (liveSelf<Class>(self).*Member)(std::forward<Args>(args)...);
    }
};

template <typename Class, typename Result, typename... Args, Result (Class::*Member)(Args...) const>
struct Live<Member> {
    static Result call(const bp::object& self, Args... args)
    {
        return (liveSelf<Class>(self).*Member)(std::forward<Args>(args)...);
    }
};

/// The inventory is a member of its sphere and lives as long as the sphere does.
bp::object getInventory(PlaySphere& sphere)
{
    return makeTracked(&sphere.getInventory(), ObjectLives::watch(static_cast<const Hierarchical*>(&sphere)));
}

/// A copy: the camera that holds the orientation may go while the script keeps the value.
Ogre::Quaternion getXZOrientation(const bp::object& self)
{
    return liveSelf<Camera>(self).getXZOrientation();
}

Ogre::Vector3 getSphereFloorPlaneNormal(const bp::object& self)
{
    return liveSelf<GameControl>(self).getSphereFloorPlaneNormal();
}

void bindGame()
{
    // Not copyable, whatever a script might ask: a copy would delete the registry and the
    // controls a second time.
    bp::class_<Game, bp::bases<GameBase>, boost::noncopyable>("Game", bp::no_init)
        .def("getCamera", &Live<&Game::getCamera>::call, Tracked())
        .def("getGameScript", &Live<&Game::getGameScript>::call)
        .def("getPlaySphere", &Live<&Game::getPlaySphere>::call, Tracked())
        .def("setPlaySphere", &Live<&Game::setPlaySphere>::call)
        .def("getControls", &Live<&Game::getControls>::call, Internal())
        .def("getControlRegistry", &Live<&GameBase::getControlRegistry>::call, Internal());
}

void bindCamera()
{
    bp::class_<Camera, bp::bases<GameObject>, boost::noncopyable>("Camera", bp::no_init)
        .def("isPhysical", &Live<&Camera::isPhysical>::call)
        .def("setPhysical", &Live<&Camera::setPhysical>::call)
        .def("isLocal", &Live<&Camera::isLocal>::call)
        .def("setLocal", &Live<&Camera::setLocal>::call)
        .def("isLocalXInverted", &Live<&Camera::isLocalXInverted>::call)
        .def("isLocalYInverted", &Live<&Camera::isLocalYInverted>::call)
        .def("setLocalXInverted", &Live<&Camera::setLocalXInverted>::call)
        .def("setLocalYInverted", &Live<&Camera::setLocalYInverted>::call)
        .def("isPulled", &Live<&Camera::isPulled>::call)
        .def("setPulled", &Live<&Camera::setPulled>::call)
        .def("getFocalPoint", &Live<&Camera::getFocalPoint>::call, Tracked())
        .def("setFocalPoint", &Live<&Camera::setFocalPoint>::call)
        .def("setSkySphere", &Live<&Camera::setSkySphere>::call)
        .def("getDirection", &Live<&Camera::getDirection>::call)
        .def("getRight", &Live<&Camera::getRight>::call)
        .def("getUp", &Live<&Camera::getUp>::call)
        .def("getXZOrientation", &getXZOrientation)
        .def("getXZDirection", &Live<&Camera::getXZDirection>::call)
        .def("getXZRight", &Live<&Camera::getXZRight>::call)
        .def("getXZUp", &Live<&Camera::getXZUp>::call)
        .def("getSmoothExponent", &Live<&Camera::getSmoothExponent>::call)
        .def("getSmoothCutoff", &Live<&Camera::getSmoothCutoff>::call)
        .def("getMinimumFocalDistance", &Live<&Camera::getMinimumFocalDistance>::call)
        .def("getFocalDistance", &Live<&Camera::getFocalDistance>::call)
        .def("getMaximumFocalDistance", &Live<&Camera::getMaximumFocalDistance>::call)
        .def("getPitchLimit", &Live<&Camera::getPitchLimit>::call)
        .def("getPitch", &Live<&Camera::getPitch>::call)
        .def("setSmoothExponent", &Live<&Camera::setSmoothExponent>::call)
        .def("setSmoothCutoff", &Live<&Camera::setSmoothCutoff>::call)
        .def("setMinimumFocalDistance", &Live<&Camera::setMinimumFocalDistance>::call)
        .def("addFocalDistance", &Live<&Camera::addFocalDistance>::call)
        .def("setFocalDistance", &Live<&Camera::setFocalDistance>::call)
        .def("setMaximumFocalDistance", &Live<&Camera::setMaximumFocalDistance>::call)
        .def("setPitchLimit", &Live<&Camera::setPitchLimit>::call)
        .def("addPitch", &Live<&Camera::addPitch>::call)
        .def("setPitch", &Live<&Camera::setPitch>::call)
        .def("rotate", &Live<static_cast<void (Camera::*)(float)>(&Camera::rotate)>::call)
        .def("place", &Live<&Camera::place>::call)
        .def("lookAt", &Live<&Camera::lookAt>::call);
}

void bindInventory()
{
    tolva::strictEnum<Item::Mode>("Inventory_Item_Mode")
        .value("MODE_WORLD", Item::MODE_WORLD)
        .value("MODE_INVENTORY", Item::MODE_INVENTORY);

    bp::class_<Inventory_ItemWrap, boost::noncopyable>("Inventory_Item", bp::init<std::string, bool>())
        .def("__eq__", static_cast<bool (Item::*)(const std::string&) const>(&Item::operator==))
        .def("getName", &Item::getName, bp::return_value_policy<bp::copy_const_reference>())
        .def("setName", &Item::setName)
        .def("getMode", &Item::getMode)
        .def("setMode", &Item::setMode)
        .def("isTransitive", &Item::isTransitive)
        .def("setTransitive", &Item::setTransitive)
        .def("modeChanged", bp::pure_virtual(&Item::modeChanged))
        .def("equipped", bp::pure_virtual(&Item::equipped))
        .def("unequipped", bp::pure_virtual(&Item::unequipped));

    typedef bool (Inventory::*ItemTest)(Item*) const;
    typedef bool (Inventory::*NameTest)(const std::string&) const;
    typedef unsigned int (Inventory::*Count)() const;
    typedef unsigned int (Inventory::*NameCount)(const std::string&) const;
    typedef void (Inventory::*ItemChange)(Item*);
    typedef void (Inventory::*IndexChange)(unsigned int, const std::string&);
    typedef void (Inventory::*Clear)();
    typedef void (Inventory::*NameClear)(const std::string&);
    const auto index = (bp::arg("index"), bp::arg("name") = std::string());
    // Not copyable: the equipped position points into the inventory's own list.
    bp::class_<Inventory, boost::noncopyable>("Inventory", bp::no_init)
        .def("isItemPresent", &Live<static_cast<ItemTest>(&Inventory::isItemPresent)>::call)
        .def("isItemPresent", &Live<static_cast<NameTest>(&Inventory::isItemPresent)>::call)
        .def("addItem", &Live<&Inventory::addItem>::call)
        .def("getItemCount", &Live<static_cast<Count>(&Inventory::getItemCount)>::call)
        .def("getItemCount", &Live<static_cast<NameCount>(&Inventory::getItemCount)>::call)
        .def("getItem", &Live<&Inventory::getItem>::call, index, Internal())
        .def("removeItem", &Live<static_cast<ItemChange>(&Inventory::removeItem)>::call)
        .def("removeItem", &Live<static_cast<IndexChange>(&Inventory::removeItem)>::call, index)
        .def("removeAllItems", &Live<static_cast<Clear>(&Inventory::removeAllItems)>::call)
        .def("removeAllItems", &Live<static_cast<NameClear>(&Inventory::removeAllItems)>::call)
        .def("isItemEquipped", &Live<&Inventory::isItemEquipped>::call)
        .def("getEquippedItem", &Live<&Inventory::getEquippedItem>::call, Internal())
        .def("equipItem", &Live<static_cast<ItemChange>(&Inventory::equipItem)>::call)
        .def("equipItem", &Live<static_cast<IndexChange>(&Inventory::equipItem)>::call, index)
        .def("equipNextItem", &Live<&Inventory::equipNextItem>::call)
        .def("unequipItem", &Live<&Inventory::unequipItem>::call);
}

void bindPlaySphere()
{
    bp::class_<PlaySphere, bp::bases<MeshObject>, boost::noncopyable>(
        "PlaySphere", bp::init<std::string, std::string>())
        .def("getMovableBody", &PlaySphere::getMovableBody, Tracked())
        .def("isEnabled", &PlaySphere::isEnabled)
        .def("setEnabled", &PlaySphere::setEnabled)
        .def("isBodyEnabled", &PlaySphere::isBodyEnabled)
        .def("setBodyEnabled", &PlaySphere::setBodyEnabled)
        .def("getInventory", &getInventory)
        .def("addTorque", &PlaySphere::addTorque);
}

void bindGameControl()
{
    tolva::strictEnum<GameControl::Mode>("GameControl_Mode")
        .value("MODE_BASE", GameControl::MODE_BASE)
        .value("MODE_FLY", GameControl::MODE_FLY)
        .value("MODE_ROLL", GameControl::MODE_ROLL);

    bp::class_<GameControl, boost::noncopyable>("GameControl", bp::no_init)
        .def("getMode", &Live<&GameControl::getMode>::call)
        .def("setMode", &Live<&GameControl::setMode>::call)
        .def("isCameraEnabled", &Live<&GameControl::isCameraEnabled>::call)
        .def("setCameraEnabled", &Live<&GameControl::setCameraEnabled>::call)
        .def("setCamera", &Live<&GameControl::setCamera>::call)
        .def("setPlaySphere", &Live<&GameControl::setPlaySphere>::call)
        .def("getSphereFloorPlaneNormal", &getSphereFloorPlaneNormal)
        .def("setSphereFloorPlaneNormal", &Live<&GameControl::setSphereFloorPlaneNormal>::call)
        .def("getMouseSensitivity", &Live<&GameControl::getMouseSensitivity>::call)
        .def("setMouseSensitivity", &Live<&GameControl::setMouseSensitivity>::call)
        .def("getSpeed", &Live<&GameControl::getSpeed>::call)
        .def("setSpeed", &Live<&GameControl::setSpeed>::call)
        .def("getFlySpeed", &Live<&GameControl::getFlySpeed>::call)
        .def("setFlySpeed", &Live<&GameControl::setFlySpeed>::call);
}

} // namespace

} // namespace tolva

// Defined once per interpreter, on the first import; the Python bases (GameBase, GameObject,
// MeshObject) come from TolvaEngine, which the interpreter imports first.
BOOST_PYTHON_MODULE(Spindlewake)
{
    boost::python::docstring_options noDocstrings(false, false, false);
    tolva::bindGame();
    tolva::bindCamera();
    tolva::bindInventory();
    tolva::bindPlaySphere();
    tolva::bindGameControl();
}
