// A mass description: total mass, centre and inertia. The default is a valid unit mass (mass 1,
// identity inertia) so that adjusting it gives a usable mass of any value.
#pragma once

#include <ode/ode.h>
#include <OgreVector.h>

#include <string>

namespace tolva::ode {

class Mass {
public:
    Mass();
    virtual ~Mass() = default;

    /// Scales the mass (and inertia) to the given total; a value that is not positive and finite
    /// is refused with a warning.
    void adjust(float mass);
    void translate(const Ogre::Vector3& offset);
    float getMassValue() const { return float(mMass.mass); }
    Ogre::Vector3 getCentre() const;

    /// Empty when the description can be installed on a body; otherwise why not.
    std::string getProblem() const;

    const dMass& getOdeMass() const { return mMass; }

protected:
    dMass mMass;
};

} // namespace tolva::ode
