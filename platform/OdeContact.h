// One contact point between two geometries, as a collision test found it, with the surface
// settings that decide how it acts when it becomes a constraint. Lives only for the duration of
// the collision callback that receives it.
#pragma once

#include <ode/ode.h>
#include <OgreVector.h>

namespace tolva::ode {

class Geometry;

class Contact {
public:
    /// Neither body is the unidirectional one: the contact acts on both.
    static constexpr int UNIDIRECTIONAL_NONE = 0;
    /// The second body alone feels the contact: it is pushed and pushes nothing back.
    static constexpr int UNIDIRECTIONAL_SECOND = 1;
    /// The first body alone feels the contact.
    static constexpr int UNIDIRECTIONAL_FIRST = 2;

    /// Wraps a raw contact whose geometric part ODE filled; the surface starts with infinite
    /// Coulomb friction, no bounce and no unidirectionality.
    Contact(dContact& raw, Geometry* first, Geometry* second);
    Contact(const Contact&) = delete;
    Contact& operator=(const Contact&) = delete;

    Geometry* getFirstGeometry() const { return mFirst; }
    Geometry* getSecondGeometry() const { return mSecond; }
    Ogre::Vector3 getPosition() const;
    /// Points from the second geometry towards the first (ODE's convention).
    Ogre::Vector3 getNormal() const;
    float getPenetrationDepth() const;
    int getFirstSide() const;
    int getSecondSide() const;

    /// @param mu friction coefficient (Infinity for no slipping)
    /// @param additional second-direction coefficient; negative means none
    void setCoulombFriction(float mu, float additional = -1.0f);
    float getCoulombFriction() const;
    /// @param bounce restitution 0..1; @param velocity minimum incoming speed; negative means 0
    void setBouncyness(float bounce, float velocity = -1.0f);
    float getBouncyness() const;
    /// One of the UNIDIRECTIONAL_ values; anything else is ignored.
    void setUnidirectionality(int which);
    int getUnidirectionality() const { return mUnidirectionality; }

    dContact& getRaw() { return mRaw; }

private:
    dContact& mRaw;
    Geometry* mFirst;
    Geometry* mSecond;
    int mUnidirectionality = UNIDIRECTIONAL_NONE;
};

} // namespace tolva::ode
