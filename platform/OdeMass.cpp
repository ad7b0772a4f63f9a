#include "platform/OdeMass.h"

#include "core/LogLine.h"
#include "platform/OdeConvert.h"
#include "platform/OdeLibrary.h"

#include <cmath>

namespace tolva::ode {

Mass::Mass()
{
    initialiseLibrary();
    dMassSetParameters(&mMass, 1, 0, 0, 0, 1, 1, 1, 0, 0, 0);
}

void Mass::adjust(float mass)
{
    if (!(mass > 0.0f) || !std::isfinite(mass)) {
        logWarning("Warning: Attempt to adjust a mass to a value that is not positive.");
        return;
    }
    if (mMass.mass > 0 && std::isfinite(mMass.mass)) {
        dMassAdjust(&mMass, mass);
    } else {
        mMass.mass = mass;
    }
}

void Mass::translate(const Ogre::Vector3& offset)
{
    if (!isFinite(offset)) {
        logWarning("Warning: Attempt to translate a mass by a vector that is not finite.");
        return;
    }
    dMassTranslate(&mMass, offset.x, offset.y, offset.z);
}

Ogre::Vector3 Mass::getCentre() const
{
    return toOgre(mMass.c);
}

std::string Mass::getProblem() const
{
    if (!(mMass.mass > 0) || !std::isfinite(mMass.mass)) {
        return "the mass is not positive";
    }
    for (int i = 0; i < 12; ++i) {
        if (!std::isfinite(mMass.I[i])) {
            return "the inertia is not finite";
        }
    }
    // Positive definite inertia: leading principal minors of the 3x3 tensor all positive.
    const dReal* I = mMass.I;
    const dReal a = I[0], b = I[1], c = I[2], d = I[4], e = I[5], f = I[6], g = I[8], h = I[9], k = I[10];
    const dReal minor1 = a;
    const dReal minor2 = a * e - b * d;
    const dReal minor3 = a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    if (!(minor1 > 0) || !(minor2 > 0) || !(minor3 > 0)) {
        return "the inertia is not positive definite";
    }
    return {};
}

} // namespace tolva::ode
