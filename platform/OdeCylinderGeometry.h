// A cylinder-shaped geometry along its local Z axis, centred on its pose.
#pragma once

#include "platform/OdeGeometry.h"

namespace tolva::ode {

class CylinderGeometry : public Geometry {
public:
    /// @throws InvalidArgumentException when the radius or length is negative or not finite
    CylinderGeometry(float radius, float length, Space* space = nullptr);
    float getRadius() const;
    float getLength() const;
    /// Sets the unscaled radius and length; negative ones are refused with a warning.
    void setDefinition(float radius, float length);

protected:
    /// The radius follows the larger of the X and Y scales, the length the Z scale.
    void applyScale(const Ogre::Vector3& scale) override;

private:
    float mRadius;
    float mLength;
};

} // namespace tolva::ode
