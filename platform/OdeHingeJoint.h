// A hinge: the two bodies turn about one shared axis through one shared anchor.
#pragma once

#include "platform/OdeJoint.h"

#include <OgreVector.h>

namespace tolva::ode {

class HingeJoint : public Joint {
public:
    explicit HingeJoint(World* world);
    /// World-space anchor; takes effect for the bodies attached now.
    void setAnchor(const Ogre::Vector3& anchor);
    Ogre::Vector3 getAnchor() const;
    /// World-space axis; a zero or infinite axis is refused with a warning.
    void setAxis(const Ogre::Vector3& axis);
    Ogre::Vector3 getAxis() const;
    float getAngle() const;
};

} // namespace tolva::ode
