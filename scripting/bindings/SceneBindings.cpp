// Script classes of the scene folder: the graphics module.
#include "scripting/bindings/Bindings.h"

#include "scene/Graphics.h"
#include "scene/NodeObject.h"
#include "scripting/support/ValueConverters.h"

#include <OgreCamera.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreViewport.h>

#include <boost/python.hpp>

#include <string>
#include <vector>

namespace bp = boost::python;

namespace tolva::bindings {

// The rendering engine's own objects (root, window, scene manager, camera, viewport) have no
// script class: those members raise TypeError. The fog colour is a copy.
void bindGraphics()
{
    typedef bp::return_internal_reference<1> Owned;
    bp::class_<Graphics, boost::noncopyable>("Graphics", bp::no_init)
        .def("getRoot", &Graphics::getRoot, Owned())
        .def("getWindow", &Graphics::getWindow, Owned())
        .def("getSceneManager", &Graphics::getSceneManager, Owned())
        .def("getCamera", &Graphics::getCamera, Owned())
        .def("getViewport", &Graphics::getViewport, Owned())
        .def("getResolution", &Graphics::getResolution)
        .def("getAvailableResolutions", &Graphics::getAvailableResolutions)
        .def("setResolution", &Graphics::setResolution, (bp::arg("width"), bp::arg("height"), bp::arg("now") = false))
        .def("isFullScreen", &Graphics::isFullScreen)
        .def("setFullScreen", &Graphics::setFullScreen)
        .def("getFSAA", &Graphics::getFSAA)
        .def("getAvailableFSAA", &Graphics::getAvailableFSAA)
        .def("setFSAA", &Graphics::setFSAA)
        .def("isVSyncEnabled", &Graphics::isVSyncEnabled)
        .def("setVSyncEnable", &Graphics::setVSyncEnable)
        .def("isEffectAvailable", &Graphics::isEffectAvailable)
        .def("getRootNodeObject", &Graphics::getRootNodeObject, Owned())
        .def("getShadowsEnable", &Graphics::getShadowsEnable)
        .def("setShadowsEnable", &Graphics::setShadowsEnable)
        .def("isFogEnabled", &Graphics::isFogEnabled)
        .def("setFogEnabled", &Graphics::setFogEnabled)
        .def("getFogMode", &Graphics::getFogMode)
        .def("setFogMode", &Graphics::setFogMode)
        .def("getFogColour", &Graphics::getFogColour)
        .def("setFogColour", &Graphics::setFogColour)
        .def("getFogExponentialDensity", &Graphics::getFogExponentialDensity)
        .def("setFogExponentialDensity", &Graphics::setFogExponentialDensity)
        .def("getFogLinearStart", &Graphics::getFogLinearStart)
        .def("setFogLinearStart", &Graphics::setFogLinearStart)
        .def("getFogLinearEnd", &Graphics::getFogLinearEnd)
        .def("setFogLinearEnd", &Graphics::setFogLinearEnd);

    registerPairToTuple<unsigned int, unsigned int>();
    registerContainerToTuple<std::vector<std::string>>();
    registerContainerToTuple<std::vector<unsigned int>>();
}

} // namespace tolva::bindings
