// A sphere-shaped geometry centred on its pose.
#pragma once

#include "platform/OdeGeometry.h"

namespace tolva::ode {

class SphereGeometry : public Geometry {
public:
    /// @throws InvalidArgumentException when the radius is negative or not finite
    explicit SphereGeometry(float radius, Space* space = nullptr);
    float getRadius() const;
    /// Sets the unscaled radius; a negative one is refused with a warning.
    void setRadius(float radius);

protected:
    /// The radius follows the largest scale component.
    void applyScale(const Ogre::Vector3& scale) override;
    bool fitsScale(const Ogre::Vector3& scale) const override;

private:
    float mRadius;
};

} // namespace tolva::ode
