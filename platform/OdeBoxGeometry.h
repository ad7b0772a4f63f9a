// A box-shaped geometry centred on its pose.
#pragma once

#include "platform/OdeGeometry.h"

namespace tolva::ode {

class BoxGeometry : public Geometry {
public:
    /// @throws InvalidArgumentException when a side length is negative or not finite
    explicit BoxGeometry(const Ogre::Vector3& size, Space* space = nullptr);
    /// The side lengths as they are now (scale included).
    Ogre::Vector3 getSize() const;
    /// Sets the unscaled side lengths; negative ones are refused with a warning.
    void setSize(const Ogre::Vector3& size);

protected:
    void applyScale(const Ogre::Vector3& scale) override;
    bool fitsScale(const Ogre::Vector3& scale) const override;

private:
    Ogre::Vector3 mSize;
};

} // namespace tolva::ode
