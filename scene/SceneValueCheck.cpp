#include "scene/SceneValueCheck.h"

#include "core/Exceptions.h"

#include <cmath>
#include <string>

namespace tolva {

namespace {

[[noreturn]] void refuse(const char* what, const char* must)
{
    throw InvalidArgumentException(std::string(what) + " must be " + must + ".");
}

} // namespace

void SceneValueCheck::requireFinite(float value, const char* what)
{
    if (!std::isfinite(value)) {
        refuse(what, "finite");
    }
}

void SceneValueCheck::requireFinite(const Ogre::Vector3& value, const char* what)
{
    if (!std::isfinite(value.x) || !std::isfinite(value.y) || !std::isfinite(value.z)) {
        refuse(what, "finite");
    }
}

void SceneValueCheck::requireFinite(const Ogre::Vector2& value, const char* what)
{
    if (!std::isfinite(value.x) || !std::isfinite(value.y)) {
        refuse(what, "finite");
    }
}

void SceneValueCheck::requireFinite(const Ogre::ColourValue& value, const char* what)
{
    if (!std::isfinite(value.r) || !std::isfinite(value.g) || !std::isfinite(value.b) || !std::isfinite(value.a)) {
        refuse(what, "finite");
    }
}

void SceneValueCheck::requireBounded(const Ogre::Vector3& value, const char* what)
{
    requireFinite(value, what);
    if (std::fabs(value.x) > MaxMagnitude || std::fabs(value.y) > MaxMagnitude || std::fabs(value.z) > MaxMagnitude) {
        refuse(what, "at most 1e15 in every component");
    }
}

bool SceneValueCheck::isInvertibleScale(const Ogre::Vector3& scale)
{
    return std::fabs(scale.x) >= MinScale && std::fabs(scale.y) >= MinScale && std::fabs(scale.z) >= MinScale
        && std::isfinite(scale.x) && std::isfinite(scale.y) && std::isfinite(scale.z);
}

void SceneValueCheck::requireOrientation(const Ogre::Quaternion& value, const char* what)
{
    // The length as the rendering engine computes it: components near the float limits overflow
    // it, tiny ones underflow it to zero; either way normalising would give non-finite values.
    const float length = value.Norm();
    if (!std::isfinite(length) || !(length > 0.0f) || !std::isfinite(1.0f / length)) {
        refuse(what, "a finite, non-zero quaternion");
    }
}

} // namespace tolva
