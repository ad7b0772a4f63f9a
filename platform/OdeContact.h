// One contact point between two geometries, as a collision test found it, with the surface
// settings that decide how it acts when it becomes a constraint. Lives only for the duration of
// the collision callback that receives it. Everything is inline: it is made and read for every
// contact point of every step.
#pragma once

#include <ode/ode.h>
#include <OgreVector.h>

#include <algorithm>
#include <cmath>

#include "platform/OdeConvert.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeGeometryTag.h"

namespace tolva::ode {

class UserObject;

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
    /// The same with the geometries' tags, as the collision pass has them.
    Contact(dContact& raw, const GeometryTag* first, const GeometryTag* second)
        : mRaw(raw)
        , mFirst(first ? first : &NO_TAG)
        , mSecond(second ? second : &NO_TAG)
    {
        mRaw.surface.mode = 0;
        mRaw.surface.mu = dInfinity;
        mRaw.surface.mu2 = 0;
        mRaw.surface.bounce = 0;
        mRaw.surface.bounce_vel = 0;
    }
    Contact(const Contact&) = delete;
    Contact& operator=(const Contact&) = delete;

    Geometry* getFirstGeometry() const { return mFirst->geometry; }
    Geometry* getSecondGeometry() const { return mSecond->geometry; }
    /// The geometries' user objects and flags, read without a visit to the geometries.
    UserObject* getFirstUserObject() const { return mFirst->userObject; }
    UserObject* getSecondUserObject() const { return mSecond->userObject; }
    unsigned int getFirstUserFlags() const { return mFirst->userFlags; }
    unsigned int getSecondUserFlags() const { return mSecond->userFlags; }
    Ogre::Vector3 getPosition() const { return toOgre(mRaw.geom.pos); }
    /// Points from the second geometry towards the first (ODE's convention).
    Ogre::Vector3 getNormal() const { return toOgre(mRaw.geom.normal); }
    float getPenetrationDepth() const { return float(mRaw.geom.depth); }
    int getFirstSide() const { return mRaw.geom.side1; }
    int getSecondSide() const { return mRaw.geom.side2; }

    /// @param mu friction coefficient (Infinity for no slipping)
    /// @param additional second-direction coefficient; negative means none
    void setCoulombFriction(float mu, float additional = -1.0f)
    {
        mRaw.surface.mu = std::isinf(mu) ? dInfinity : dReal(std::max(mu, 0.0f));
        if (additional >= 0.0f) {
            mRaw.surface.mode |= dContactMu2;
            mRaw.surface.mu2 = std::isinf(additional) ? dInfinity : dReal(additional);
        } else {
            mRaw.surface.mode &= ~dContactMu2;
        }
    }
    float getCoulombFriction() const { return float(mRaw.surface.mu); }
    /// @param bounce restitution 0..1; @param velocity minimum incoming speed; negative means 0
    void setBouncyness(float bounce, float velocity = -1.0f)
    {
        if (bounce > 0.0f) {
            mRaw.surface.mode |= dContactBounce;
            mRaw.surface.bounce = std::min(bounce, 1.0f);
            mRaw.surface.bounce_vel = std::max(velocity, 0.0f);
        } else {
            // A bounce of nothing is the same as no bounce; leaving the flag off saves the solver
            // work.
            mRaw.surface.mode &= ~dContactBounce;
            mRaw.surface.bounce = 0;
            mRaw.surface.bounce_vel = 0;
        }
    }
    float getBouncyness() const { return float(mRaw.surface.bounce); }
    /// One of the UNIDIRECTIONAL_ values; anything else is ignored.
    void setUnidirectionality(int which)
    {
        if (which == UNIDIRECTIONAL_NONE || which == UNIDIRECTIONAL_FIRST || which == UNIDIRECTIONAL_SECOND) {
            mUnidirectionality = which;
        }
    }
    int getUnidirectionality() const { return mUnidirectionality; }

    dContact& getRaw() { return mRaw; }

private:
    /// Stands for a missing geometry.
    inline static const GeometryTag NO_TAG{};

    dContact& mRaw;
    const GeometryTag* mFirst;
    const GeometryTag* mSecond;
    int mUnidirectionality = UNIDIRECTIONAL_NONE;
};

inline Contact::Contact(dContact& raw, Geometry* first, Geometry* second)
    : Contact(raw, first ? first->getTag() : nullptr, second ? second->getTag() : nullptr)
{
}

} // namespace tolva::ode
