#include "platform/OdeContact.h"

#include "platform/OdeConvert.h"

#include <algorithm>

namespace tolva::ode {

Contact::Contact(dContact& raw, Geometry* first, Geometry* second)
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

Ogre::Vector3 Contact::getPosition() const
{
    return toOgre(mRaw.geom.pos);
}
Ogre::Vector3 Contact::getNormal() const
{
    return toOgre(mRaw.geom.normal);
}
float Contact::getPenetrationDepth() const
{
    return float(mRaw.geom.depth);
}
int Contact::getFirstSide() const
{
    return mRaw.geom.side1;
}
int Contact::getSecondSide() const
{
    return mRaw.geom.side2;
}

void Contact::setCoulombFriction(float mu, float additional)
{
    mRaw.surface.mu = std::isinf(mu) ? dInfinity : dReal(std::max(mu, 0.0f));
    if (additional >= 0.0f) {
        mRaw.surface.mode |= dContactMu2;
        mRaw.surface.mu2 = std::isinf(additional) ? dInfinity : dReal(additional);
    } else {
        mRaw.surface.mode &= ~dContactMu2;
    }
}

float Contact::getCoulombFriction() const
{
    return float(mRaw.surface.mu);
}

void Contact::setBouncyness(float bounce, float velocity)
{
    if (bounce > 0.0f) {
        mRaw.surface.mode |= dContactBounce;
        mRaw.surface.bounce = std::min(bounce, 1.0f);
        mRaw.surface.bounce_vel = std::max(velocity, 0.0f);
    } else {
        // A bounce of nothing is the same as no bounce; leaving the flag off saves the solver work.
        mRaw.surface.mode &= ~dContactBounce;
        mRaw.surface.bounce = 0;
        mRaw.surface.bounce_vel = 0;
    }
}

float Contact::getBouncyness() const
{
    return float(mRaw.surface.bounce);
}

void Contact::setUnidirectionality(int which)
{
    if (which == UNIDIRECTIONAL_NONE || which == UNIDIRECTIONAL_FIRST || which == UNIDIRECTIONAL_SECOND) {
        mUnidirectionality = which;
    }
}

} // namespace tolva::ode
