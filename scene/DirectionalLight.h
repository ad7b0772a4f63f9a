// A white light shining along one direction everywhere, like the sun. The direction is in the
// light's own space: the node's orientation turns it.
#pragma once

#include <OgreVector.h>

#include "scene/Light.h"

namespace tolva {

class DirectionalLight : public Light {
public:
    explicit DirectionalLight(const std::string& name);

    Ogre::Vector3 getDirection() const;
    void setDirection(const Ogre::Vector3& direction);
};

} // namespace tolva
