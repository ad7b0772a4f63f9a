// A white cone of light along the directional light's direction; the inner angle keeps the
// rendering engine's default.
#pragma once

#include <OgreMath.h>

#include "scene/DirectionalLight.h"

namespace tolva {

class SpotLight : public DirectionalLight {
public:
    explicit SpotLight(const std::string& name);

    float getFalloff() const;
    void setFalloff(float falloff);
    /// In degrees.
    void setOuterAngle(float degrees);
    Ogre::Radian getOuterAngle() const;
};

} // namespace tolva
