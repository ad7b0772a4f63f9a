// Script classes of the object tree and the scene objects: hierarchies, transforms, game objects,
// renderables, lights, billboards, chains and trails.
//
// Objects a script constructs are owned by their Python objects. Every other engine object a
// member hands out (a parent, a body, a motif...) comes as a tracked handle (Tracked), which
// refuses use once the object is gone. Vectors, quaternions, colours and angles are copies.
#include "scripting/bindings/Bindings.h"

#include "core/Exceptions.h"
#include "scene/BillboardChainEffect.h"
#include "scene/BillboardEffect.h"
#include "scene/DirectionalLight.h"
#include "scene/GameObject.h"
#include "scene/Light.h"
#include "scene/NodeObject.h"
#include "scene/PointLight.h"
#include "scene/RenderableObject.h"
#include "scene/RibbonTrailEffect.h"
#include "scene/SpotLight.h"
#include "scene/TransformObject.h"
#include "scripting/bindings/BindingSupport.h"
#include "scripting/support/GoneHandles.h"
#include "scripting/support/ObjectLives.h"
#include "scripting/support/ScriptMade.h"
#include "scripting/support/TrackedReference.h"
#include "scripting/support/ValueConverters.h"

#include <OgreBillboard.h>
#include <OgreBillboardChain.h>
#include <OgreMovableObject.h>

#include <boost/python.hpp>

#include <string>

namespace bp = boost::python;

namespace tolva::bindings {

namespace {

void setParent(Hierarchical& object, Hierarchical* parent)
{
    object.setParent(parent);
}

RenderableObject::EffectMap getEffects(const RenderableObject& object)
{
    return object.getEffects();
}

void attachEffect(RenderableObject& object, BillboardEffect* effect)
{
    object.attachEffect(require(effect, "The billboard effect"));
}

void detachEffect(RenderableObject& object, BillboardEffect* effect)
{
    object.detachEffect(require(effect, "The billboard effect"));
}

// The rendering engine's billboards have no script class unless another module registers one: a
// billboard made then would be left in the set with no way for the script to remove it.
Ogre::Billboard* createBillboard(BillboardEffect& effect, const Ogre::Vector3& position)
{
    const bp::converter::registration* registration = bp::converter::registry::query(bp::type_id<Ogre::Billboard>());
    if (!registration || !registration->m_class_object) {
        PyErr_SetString(PyExc_TypeError, "Billboards have no script class: createBillboard cannot return one.");
        bp::throw_error_already_set();
    }
    return effect.createBillboard(position);
}

void removeBillboard(BillboardEffect& effect, Ogre::Billboard* billboard)
{
    effect.removeBillboard(require(billboard, "The billboard"));
}

void setChain(BillboardChainEffect& effect, Ogre::BillboardChain* chain, bool attach)
{
    effect.setChain(require(chain, "The billboard chain"), attach);
}

} // namespace

void bindHierarchy()
{
    ObjectLives::install();
    ScriptOwned::install();
    GoneHandles::install();

    bp::class_<Hierarchical, boost::noncopyable>("Hierarchical", bp::no_init)
        .def("isRoot", &Hierarchical::isRoot)
        .def("getParent", &Hierarchical::getParent, Tracked())
        .def("setParent", &setParent)
        .def("isLeaf", &Hierarchical::isLeaf)
        .def("addChild", &Hierarchical::addChild)
        .def("removeChild", &Hierarchical::removeChild);

    bp::class_<Transformable, boost::noncopyable>("Transformable", bp::no_init)
        .def("getPosition", bp::pure_virtual(&Transformable::getPosition))
        .def("setPosition", bp::pure_virtual(&Transformable::setPosition))
        .def("translate", bp::pure_virtual(&Transformable::translate))
        .def("getOrientation", bp::pure_virtual(&Transformable::getOrientation))
        .def("setOrientation", bp::pure_virtual(&Transformable::setOrientation))
        .def("getScale", bp::pure_virtual(&Transformable::getScale))
        .def("setScale", bp::pure_virtual(&Transformable::setScale))
        .def("scale", bp::pure_virtual(&Transformable::scale));
}

void bindGameObject()
{
    typedef void (GameObject::*Rotate)(const Ogre::Vector3&, float);
    typedef void (GameObject::*RotateIn)(const Ogre::Vector3&, float, Ogre::Node::TransformSpace);
    bp::class_<GameObject, bp::bases<Hierarchical, Transformable>, boost::noncopyable>("GameObject", bp::init<>())
        .def("frame", &GameObject::frame)
        .def("updateOnce", &GameObject::updateOnce)
        .def("getName", &GameObject::getName, bp::return_value_policy<bp::copy_const_reference>())
        .def("localise", &GameObject::localise, (bp::arg("vector"), bp::arg("isPosition") = false))
        .def("parentise", &GameObject::parentise, (bp::arg("vector"), bp::arg("isPosition") = false))
        .def("globalise", &GameObject::globalise, (bp::arg("vector"), bp::arg("isPosition") = false))
        .def("getPosition", &GameObject::getPosition)
        .def("setPosition", &GameObject::setPosition)
        .def("translate", &GameObject::translate)
        .def("getOrientation", &GameObject::getOrientation)
        .def("setOrientation", &GameObject::setOrientation)
        .def("rotate", static_cast<Rotate>(&GameObject::rotate))
        .def("rotate", static_cast<RotateIn>(&GameObject::rotate))
        .def("setRotationMode", &GameObject::setRotationMode)
        .def("getScale", &GameObject::getScale)
        .def("setScale", &GameObject::setScale)
        .def("scale", &GameObject::scale)
        .def("getWorldPosition", &GameObject::getWorldPosition)
        .def("getWorldOrientation", &GameObject::getWorldOrientation)
        .def("getWorldScale", &GameObject::getWorldScale);

    // The effect table reaches scripts as a dict from effect name to visibility mask.
    registerMapToDictionary<std::string, RenderableObject::EffectMap::mapped_type>();
    bp::class_<RenderableObject, bp::bases<GameObject>, boost::noncopyable>("RenderableObject", bp::no_init)
        .def("getObject", &RenderableObject::getObject, bp::return_internal_reference<1>())
        .def("setObject", &RenderableObject::setObject)
        .def("isVisible", &RenderableObject::isVisible)
        .def("setVisible", &RenderableObject::setVisible)
        .def("isEffectEnabled", &RenderableObject::isEffectEnabled)
        .def("getEffects", &getEffects)
        .def("setEffectEnable", &RenderableObject::setEffectEnable)
        .def("attachEffect", &attachEffect)
        .def("detachEffect", &detachEffect);
}

void bindSceneObjects()
{
    bp::class_<NodeObject, bp::bases<GameObject>, boost::noncopyable>("NodeObject", bp::no_init);
    bp::class_<TransformObject, bp::bases<GameObject>, boost::noncopyable>("TransformObject", bp::init<>());

    bp::class_<Light, bp::bases<RenderableObject>, boost::noncopyable>("Light", bp::no_init)
        .def("getDiffuse", &Light::getDiffuse)
        .def("setDiffuse", &Light::setDiffuse)
        .def("getSpecular", &Light::getSpecular)
        .def("setSpecular", &Light::setSpecular)
        .def("getAttenuationRange", &Light::getAttenuationRange)
        .def("getAttenuationConstant", &Light::getAttenuationConstant)
        .def("getAttenuationLinear", &Light::getAttenuationLinear)
        .def("getAttenuationQuadric", &Light::getAttenuationQuadric)
        .def("setAttenuation", &Light::setAttenuation)
        .def("getPowerScale", &Light::getPowerScale)
        .def("setPowerScale", &Light::setPowerScale);
    bp::class_<PointLight, bp::bases<Light>, boost::noncopyable>("PointLight", bp::init<const std::string&>());
    bp::class_<DirectionalLight, bp::bases<Light>, boost::noncopyable>(
        "DirectionalLight", bp::init<const std::string&>())
        .def("getDirection", &DirectionalLight::getDirection)
        .def("setDirection", &DirectionalLight::setDirection);
    bp::class_<SpotLight, bp::bases<DirectionalLight>, boost::noncopyable>("SpotLight", bp::init<const std::string&>())
        .def("getOuterAngle", &SpotLight::getOuterAngle)
        .def("setOuterAngle", &SpotLight::setOuterAngle)
        .def("getFalloff", &SpotLight::getFalloff)
        .def("setFalloff", &SpotLight::setFalloff);

    bp::class_<BillboardEffect, bp::bases<GameObject>, boost::noncopyable>(
        "BillboardEffect", bp::init<const std::string&, const std::string&>())
        .def("isVisible", &BillboardEffect::isVisible)
        .def("setVisible", &BillboardEffect::setVisible)
        .def("createBillboard", &createBillboard, bp::return_internal_reference<1>())
        .def("removeBillboard", &removeBillboard)
        .def("getType", &BillboardEffect::getType)
        .def("setType", &BillboardEffect::setType)
        .def("getOrigin", &BillboardEffect::getOrigin)
        .def("setOrigin", &BillboardEffect::setOrigin)
        .def("getSize", &BillboardEffect::getSize)
        .def("setSize", &BillboardEffect::setSize)
        .def("getCommonDirection", &BillboardEffect::getCommonDirection)
        .def("setCommonDirection", &BillboardEffect::setCommonDirection)
        .def("getCommonUpVector", &BillboardEffect::getCommonUpVector)
        .def("setCommonUpVector", &BillboardEffect::setCommonUpVector)
        .def("getColour", &BillboardEffect::getColour)
        .def("setColour", &BillboardEffect::setColour)
        .def("getRotation", &BillboardEffect::getRotation)
        .def("setRotation", &BillboardEffect::setRotation)
        .def("rotate", static_cast<void (BillboardEffect::*)(float)>(&BillboardEffect::rotate));

    bp::class_<BillboardChainEffect, bp::bases<RenderableObject>, boost::noncopyable>(
        "BillboardChainEffect", bp::init<const std::string&, const std::string&>())
        .def("getChain", &BillboardChainEffect::getChain, bp::return_internal_reference<1>())
        .def("setChain", &setChain)
        .def("getMaxElements", &BillboardChainEffect::getMaxElements)
        .def("setMaxElements", &BillboardChainEffect::setMaxElements)
        .def("getNumberOfChains", &BillboardChainEffect::getNumberOfChains)
        .def("setNumberOfChains", &BillboardChainEffect::setNumberOfChains)
        .def("getTexCoordDirection", &BillboardChainEffect::getTexCoordDirection)
        .def("setTexCoordDirection", &BillboardChainEffect::setTexCoordDirection)
        .def("getOtherTextureCoordRange", &BillboardChainEffect::getOtherTextureCoordRange)
        .def("setOtherTextureCoordRange", &BillboardChainEffect::setOtherTextureCoordRange);

    typedef void (RibbonTrailEffect::*SetColour)(const Ogre::ColourValue&);
    typedef void (RibbonTrailEffect::*SetColourParts)(float, float, float, float);
    bp::class_<RibbonTrailEffect, bp::bases<BillboardChainEffect>, boost::noncopyable>(
        "RibbonTrailEffect", bp::init<const std::string&, const std::string&>())
        .def("getLength", &RibbonTrailEffect::getLength)
        .def("setLength", &RibbonTrailEffect::setLength)
        .def("getInitialColour", &RibbonTrailEffect::getInitialColour)
        .def("setInitialColour", static_cast<SetColour>(&RibbonTrailEffect::setInitialColour))
        .def("setInitialColour", static_cast<SetColourParts>(&RibbonTrailEffect::setInitialColour),
            (bp::arg("r"), bp::arg("g"), bp::arg("b"), bp::arg("a") = 1.0f))
        .def("getColourChange", &RibbonTrailEffect::getColourChange)
        .def("setColourChange", static_cast<SetColour>(&RibbonTrailEffect::setColourChange))
        .def("setColourChange", static_cast<SetColourParts>(&RibbonTrailEffect::setColourChange),
            (bp::arg("r"), bp::arg("g"), bp::arg("b"), bp::arg("a") = 1.0f))
        .def("getInitialWidth", &RibbonTrailEffect::getInitialWidth)
        .def("setInitialWidth", &RibbonTrailEffect::setInitialWidth)
        .def("getWidthChange", &RibbonTrailEffect::getWidthChange)
        .def("setWidthChange", &RibbonTrailEffect::setWidthChange);
}

} // namespace tolva::bindings
