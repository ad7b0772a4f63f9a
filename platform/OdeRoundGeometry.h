// A geometry with a radius and a length along its local Z axis, centred on its pose: what
// capsules and cylinders share. Each shape names its ODE calls in a RoundGeometry::Shape.
#pragma once

#include "platform/OdeGeometry.h"

namespace tolva::ode {

class RoundGeometry : public Geometry {
public:
    /// The ODE calls of one shape; a shape's description lives as long as the program.
    struct Shape {
        const char* name; // lower case, as in "capsule"
        dGeomID (*create)(dSpaceID, dReal radius, dReal length);
        void (*getParams)(dGeomID, dReal* radius, dReal* length);
        void (*setParams)(dGeomID, dReal radius, dReal length);
    };

    float getRadius() const;
    float getLength() const;
    /// Sets the unscaled radius and length; negative or infinite ones are refused with a warning.
    void setDefinition(float radius, float length);

protected:
    /// @throws InvalidArgumentException when the radius or length is negative or not finite
    RoundGeometry(const Shape& shape, float radius, float length, Space* space);

    /// The radius follows the larger of the X and Y scales, the length the Z scale.
    void applyScale(const Ogre::Vector3& scale) override;
    bool fitsScale(const Ogre::Vector3& scale) const override;

private:
    const Shape& mShape;
    float mRadius;
    float mLength;
};

} // namespace tolva::ode
