// Script classes of meshes and particle systems.
#include "scripting/bindings/Bindings.h"

#include "physics/PhysicalBase.h"
#include "physics/PhysicsObject.h"
#include "scene/MeshObject.h"
#include "scene/ParticleSystem.h"
#include "scripting/bindings/BindingSupport.h"
#include "scripting/support/TrackedReference.h"
#include "scripting/support/StrictEnum.h"

#include <OgreAnimationState.h>
#include <OgreEntity.h>

#include <boost/python.hpp>

#include <string>

namespace bp = boost::python;

namespace tolva::bindings {

namespace {

bool addChildAsBody(MeshObject& mesh, PhysicalBase* body)
{
    return mesh.addChildAsBody(body);
}

/// The physical object the physics object carries; None (or a physics object carrying nothing)
/// removes the body.
bool addCarriedAsBody(MeshObject& mesh, PhysicsObject* object)
{
    return mesh.addChildAsBody(object ? object->getBase() : nullptr);
}

PhysicalBase* getBody(const MeshObject& mesh)
{
    return dynamic_cast<PhysicalBase*>(mesh.getBody());
}

void attachObjectToBone(MeshObject& mesh, const std::string& bone, GameObject* object, const Ogre::Vector3& position,
    const Ogre::Quaternion& orientation)
{
    mesh.attachObjectToBone(bone, require(object, "The object for the bone"), position, orientation);
}

void detachObjectFromBone(MeshObject& mesh, GameObject* object)
{
    mesh.detachObjectFromBone(require(object, "The object on the bone"));
}

} // namespace

void bindMeshObjects()
{
    tolva::strictEnum<MeshObject::RenderType>("MeshObjectRenderType")
        .value("RT_SKY", MeshObject::RT_SKY)
        .value("RT_STENCIL", MeshObject::RT_STENCIL)
        .value("RT_CLIP", MeshObject::RT_CLIP)
        .value("RT_STENCILLED_CLIPPED", MeshObject::RT_STENCILLED_CLIPPED)
        .value("RT_NORMAL", MeshObject::RT_NORMAL);

    typedef bool (RenderableObject::*IsVisible)() const;
    typedef bool (MeshObject::*IsPartVisible)(const std::string&) const;
    typedef void (RenderableObject::*SetVisible)(bool);
    typedef void (MeshObject::*SetPartVisible)(bool, const std::string&);
    bp::class_<MeshObject, bp::bases<RenderableObject>, boost::noncopyable>(
        "MeshObject", bp::init<const std::string&, const std::string&>())
        .def("isVisible", static_cast<IsVisible>(&RenderableObject::isVisible))
        .def("isVisible", static_cast<IsPartVisible>(&MeshObject::isVisible))
        .def("setVisible", static_cast<SetVisible>(&RenderableObject::setVisible))
        .def("setVisible", static_cast<SetPartVisible>(&MeshObject::setVisible))
        .def("getRenderType", &MeshObject::getRenderType)
        .def("setRenderType", &MeshObject::setRenderType)
        .def("isBodyAttached", &MeshObject::isBodyAttached)
        .def("addChildAsBody", &addChildAsBody)
        .def("addChildAsBody", &addCarriedAsBody)
        .def("getMesh", &MeshObject::getMesh, bp::return_internal_reference<1>())
        .def("getBody", &getBody, Tracked())
        .def("getBoundingBox", &MeshObject::getBoundingBox)
        .def("setBoundingBox", &MeshObject::setBoundingBox)
        .def("isAnimated", &MeshObject::isAnimated)
        .def("getAnimationState", &MeshObject::getAnimationState, bp::return_internal_reference<1>())
        .def("selectAnimation", &MeshObject::selectAnimation,
            (bp::arg("animationName"), bp::arg("disablePrevious") = true))
        .def("isAnimationLooped", &MeshObject::isAnimationLooped)
        .def("setAnimationLooped", &MeshObject::setAnimationLooped)
        .def("advanceAnimation", &MeshObject::advanceAnimation, (bp::arg("time"), bp::arg("increment") = true))
        .def("isAnimationFinished", &MeshObject::isAnimationFinished)
        .def("enableAnimationPerBoneBlending", &MeshObject::enableAnimationPerBoneBlending)
        .def("setAnimationBoneWeight", &MeshObject::setAnimationBoneWeight)
        .def("disableAnimationPerBoneBlending", &MeshObject::disableAnimationPerBoneBlending)
        .def("disableAnimation", &MeshObject::disableAnimation)
        .def("disableAllAnimations", &MeshObject::disableAllAnimations)
        .def("setMaterialName", &MeshObject::setMaterialName,
            (bp::arg("materialName"), bp::arg("subMeshName") = std::string()))
        .def("getCustomParameter", &MeshObject::getCustomParameter)
        .def("setCustomParameter", &MeshObject::setCustomParameter,
            (bp::arg("paramIndex"), bp::arg("p0"), bp::arg("p1") = 0.0f, bp::arg("p2") = 0.0f, bp::arg("p3") = 0.0f,
                bp::arg("subEntityIndex") = 0u))
        .def("attachObjectToBone", &attachObjectToBone)
        .def("detachObjectFromBone", &detachObjectFromBone)
        .def("isFadeEnabled", &MeshObject::isFadeEnabled)
        .def("setFadeEnabled", &MeshObject::setFadeEnabled)
        .def("isFadeRunning", &MeshObject::isFadeRunning)
        .def("fade", &MeshObject::fade)
        .def("setAlpha", &MeshObject::setAlpha)
        .def("isDistanceFadeRunning", &MeshObject::isDistanceFadeRunning)
        .def("setDistanceFadeEnabled", &MeshObject::setDistanceFadeEnabled)
        .def("getFadeStartDistance", &MeshObject::getFadeStartDistance)
        .def("getFadeFinishDistance", &MeshObject::getFadeFinishDistance)
        .def("setFadeStartDistance", &MeshObject::setFadeStartDistance)
        .def("setFadeFinishDistance", &MeshObject::setFadeFinishDistance)
        .def("getShadowCast", &MeshObject::getShadowCast)
        .def("setShadowCast", &MeshObject::setShadowCast);

    bp::class_<ParticleSystem, bp::bases<RenderableObject>, boost::noncopyable>(
        "ParticleSystem", bp::init<const std::string&, const std::string&>())
        .def("isEnabled", &ParticleSystem::isEnabled)
        .def("setEnabled", &ParticleSystem::setEnabled);
}

} // namespace tolva::bindings
