// Values that the rendering engine cannot take: its debug assertions (kept on in the distribution's
// build) abort the process on a non-finite position, scale or orientation, and a zero quaternion
// turns into one when it is normalised. The scene objects check what callers give them here,
// before the rendering engine sees it, and refuse with InvalidArgumentException so that nothing
// changes.
#pragma once

#include <OgreColourValue.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace tolva {

class SceneValueCheck {
public:
    static constexpr float MaxMagnitude = 1e15f;
    /// Scale components below this magnitude (zero and denormals) count as zero wherever a world
    /// scale is divided by: the quotient would not be finite.
    static constexpr float MinScale = 1e-15f;

    /// Whether every component of the (world) scale can be divided by.
    static bool isInvertibleScale(const Ogre::Vector3& scale);

    /// @param what names the value in the message ("The position")
    static void requireFinite(float value, const char* what);
    static void requireFinite(const Ogre::Vector3& value, const char* what);
    static void requireFinite(const Ogre::Vector2& value, const char* what);
    static void requireFinite(const Ogre::ColourValue& value, const char* what);
    /// Finite and at most MaxMagnitude in every component: world transforms multiply and add
    /// positions and scales down the tree, and bounds that overflow to infinity abort too.
    static void requireBounded(const Ogre::Vector3& value, const char* what);
    /// Finite, and of a length the rendering engine can normalise.
    static void requireOrientation(const Ogre::Quaternion& value, const char* what);
};

} // namespace tolva
