#include "game/SpindlewakeModule.h"

#include <boost/python.hpp>

#include "core/GameBase.h"
#include "game/Camera.h"
#include "game/Game.h"
#include "game/GameControl.h"
#include "game/Inventory_ItemWrap.h"
#include "game/PlaySphere.h"
#include "input/GameControlRegistry.h"
#include "physics/MovableObject.h"
#include "scene/MeshObject.h"

namespace bp = boost::python;

namespace tolva {

namespace {

typedef bp::return_internal_reference<1> Internal;
typedef Inventory::Item Item;

void bindGame()
{
    // Not copyable, whatever a script might ask: a copy would delete the registry and the
    // controls a second time.
    bp::class_<Game, bp::bases<GameBase>, boost::noncopyable>("Game", bp::no_init)
        .def("getCamera", &Game::getCamera, Internal())
        .def("getGameScript", &Game::getGameScript)
        .def("getPlaySphere", &Game::getPlaySphere, Internal())
        .def("setPlaySphere", &Game::setPlaySphere)
        .def("getControls", &Game::getControls, Internal())
        .def("getControlRegistry", &GameBase::getControlRegistry, Internal());
}

void bindCamera()
{
    bp::class_<Camera, bp::bases<GameObject>, boost::noncopyable>("Camera", bp::no_init)
        .def("isPhysical", &Camera::isPhysical)
        .def("setPhysical", &Camera::setPhysical)
        .def("isLocal", &Camera::isLocal)
        .def("setLocal", &Camera::setLocal)
        .def("isLocalXInverted", &Camera::isLocalXInverted)
        .def("isLocalYInverted", &Camera::isLocalYInverted)
        .def("setLocalXInverted", &Camera::setLocalXInverted)
        .def("setLocalYInverted", &Camera::setLocalYInverted)
        .def("isPulled", &Camera::isPulled)
        .def("setPulled", &Camera::setPulled)
        .def("getFocalPoint", &Camera::getFocalPoint, Internal())
        .def("setFocalPoint", &Camera::setFocalPoint)
        .def("setSkySphere", &Camera::setSkySphere)
        .def("getDirection", &Camera::getDirection)
        .def("getRight", &Camera::getRight)
        .def("getUp", &Camera::getUp)
        .def("getXZOrientation", &Camera::getXZOrientation, Internal())
        .def("getXZDirection", &Camera::getXZDirection)
        .def("getXZRight", &Camera::getXZRight)
        .def("getXZUp", &Camera::getXZUp)
        .def("getSmoothExponent", &Camera::getSmoothExponent)
        .def("getSmoothCutoff", &Camera::getSmoothCutoff)
        .def("getMinimumFocalDistance", &Camera::getMinimumFocalDistance)
        .def("getFocalDistance", &Camera::getFocalDistance)
        .def("getMaximumFocalDistance", &Camera::getMaximumFocalDistance)
        .def("getPitchLimit", &Camera::getPitchLimit)
        .def("getPitch", &Camera::getPitch)
        .def("setSmoothExponent", &Camera::setSmoothExponent)
        .def("setSmoothCutoff", &Camera::setSmoothCutoff)
        .def("setMinimumFocalDistance", &Camera::setMinimumFocalDistance)
        .def("addFocalDistance", &Camera::addFocalDistance)
        .def("setFocalDistance", &Camera::setFocalDistance)
        .def("setMaximumFocalDistance", &Camera::setMaximumFocalDistance)
        .def("setPitchLimit", &Camera::setPitchLimit)
        .def("addPitch", &Camera::addPitch)
        .def("setPitch", &Camera::setPitch)
        .def("rotate", static_cast<void (Camera::*)(float)>(&Camera::rotate))
        .def("place", &Camera::place)
        .def("lookAt", &Camera::lookAt);
}

void bindInventory()
{
    bp::enum_<Item::Mode>("Inventory_Item_Mode")
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

    const auto index = (bp::arg("index"), bp::arg("name") = std::string());
    // Not copyable: the equipped position points into the inventory's own list.
    bp::class_<Inventory, boost::noncopyable>("Inventory", bp::no_init)
        .def("isItemPresent", static_cast<bool (Inventory::*)(Item*) const>(&Inventory::isItemPresent))
        .def("isItemPresent", static_cast<bool (Inventory::*)(const std::string&) const>(&Inventory::isItemPresent))
        .def("addItem", &Inventory::addItem)
        .def("getItemCount", static_cast<unsigned int (Inventory::*)() const>(&Inventory::getItemCount))
        .def("getItemCount",
            static_cast<unsigned int (Inventory::*)(const std::string&) const>(&Inventory::getItemCount))
        .def("getItem", &Inventory::getItem, index, Internal())
        .def("removeItem", static_cast<void (Inventory::*)(Item*)>(&Inventory::removeItem))
        .def("removeItem", static_cast<void (Inventory::*)(unsigned int, const std::string&)>(&Inventory::removeItem),
            index)
        .def("removeAllItems", static_cast<void (Inventory::*)()>(&Inventory::removeAllItems))
        .def("removeAllItems", static_cast<void (Inventory::*)(const std::string&)>(&Inventory::removeAllItems))
        .def("isItemEquipped", &Inventory::isItemEquipped)
        .def("getEquippedItem", &Inventory::getEquippedItem, Internal())
        .def("equipItem", static_cast<void (Inventory::*)(Item*)>(&Inventory::equipItem))
        .def("equipItem", static_cast<void (Inventory::*)(unsigned int, const std::string&)>(&Inventory::equipItem),
            index)
        .def("equipNextItem", &Inventory::equipNextItem)
        .def("unequipItem", &Inventory::unequipItem);
}

void bindPlaySphere()
{
    bp::class_<PlaySphere, bp::bases<MeshObject>, boost::noncopyable>(
        "PlaySphere", bp::init<std::string, std::string>())
        .def("getMovableBody", &PlaySphere::getMovableBody, Internal())
        .def("isEnabled", &PlaySphere::isEnabled)
        .def("setEnabled", &PlaySphere::setEnabled)
        .def("isBodyEnabled", &PlaySphere::isBodyEnabled)
        .def("setBodyEnabled", &PlaySphere::setBodyEnabled)
        .def("getInventory", &PlaySphere::getInventory, Internal())
        .def("addTorque", &PlaySphere::addTorque);
}

void bindGameControl()
{
    bp::enum_<GameControl::Mode>("GameControl_Mode")
        .value("MODE_BASE", GameControl::MODE_BASE)
        .value("MODE_FLY", GameControl::MODE_FLY)
        .value("MODE_ROLL", GameControl::MODE_ROLL);

    bp::class_<GameControl, boost::noncopyable>("GameControl", bp::no_init)
        .def("getMode", &GameControl::getMode)
        .def("setMode", &GameControl::setMode)
        .def("isCameraEnabled", &GameControl::isCameraEnabled)
        .def("setCameraEnabled", &GameControl::setCameraEnabled)
        .def("setCamera", &GameControl::setCamera)
        .def("setPlaySphere", &GameControl::setPlaySphere)
        .def("getSphereFloorPlaneNormal", &GameControl::getSphereFloorPlaneNormal, Internal())
        .def("setSphereFloorPlaneNormal", &GameControl::setSphereFloorPlaneNormal)
        .def("getMouseSensitivity", &GameControl::getMouseSensitivity)
        .def("setMouseSensitivity", &GameControl::setMouseSensitivity)
        .def("getSpeed", &GameControl::getSpeed)
        .def("setSpeed", &GameControl::setSpeed)
        .def("getFlySpeed", &GameControl::getFlySpeed)
        .def("setFlySpeed", &GameControl::setFlySpeed);
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
