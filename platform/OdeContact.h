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
    Contact(dContact& raw, Geometry* first, Geometry* second)
        : mRaw(raw)
        , mFirst(first)
        , mSecond(second)
    {
        mRaw.surface.mode = 0;
        mRaw.surface.mu = dInfinity;
        mRaw.surface.mu2 = 0;
        mRaw.surface.bounce = 0;
        mRaw.surface.bounce_vel = 0;
    }
    Contact(const Contact&) = delete;
    Contact& operator=(const Contact&) = delete;

    Geometry* getFirstGeometry() const { return mFirst; }
    Geometry* getSecondGeometry() const { return mSecond; }
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
    dContact& mRaw;
    Geometry* mFirst;
    Geometry* mSecond;
    int mUnidirectionality = UNIDIRECTIONAL_NONE;
};

} // namespace tolva::ode
