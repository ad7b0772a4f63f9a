// A scene object that carries a physical object and hangs its geometries on the scene node, so
// that they follow the node. It owns the carried object only when it made it from a geometry.
#pragma once

#include "scene/GameObject.h"

#include <memory>

namespace tolva {

namespace ode {
class Geometry;
}

class PhysicalBase;

class PhysicsObject : public GameObject {
public:
    /// Carries nothing.
    PhysicsObject();
    /// Carries a new single physical object on the geometry, owned.
    explicit PhysicsObject(ode::Geometry* geometry);
    /// Carries the object, not owned.
    explicit PhysicsObject(PhysicalBase* base);
    /// On a given node (engines without a graphics module); carries the object, not owned.
    PhysicsObject(Ogre::SceneNode* node, PhysicalBase* base);
    /// Deletes the carried object when owned.
    ~PhysicsObject() override;

    /// The carried object; null also once a borrowed object was destroyed.
    PhysicalBase* getBase() const;
    /// Takes the old object's geometries off the node (deleting it when owned), then carries the
    /// new one, not owned, and hangs its geometries on the node. Null carries nothing; the object
    /// already carried stays as it is (owned or not).
    void setBase(PhysicalBase* base);
    /// Null is setBase(nullptr); the geometry of the owned object already carried leaves it as it
    /// is; otherwise carries a new single physical object, owned.
    void setBase(ode::Geometry* geometry);

protected:
    /// The carried object's geometries ride on the node, so they are judged where it would stand.
    bool ownPartsFitAt(const WorldPose& pose) const override;

private:
    void carry(PhysicalBase* base, bool owned);
    void release();

    bool mOwned = false;
    PhysicalBase* mBase = nullptr;
    /// Tells whether a borrowed object still exists; a destroyed one took its geometries off the
    /// node itself.
    std::weak_ptr<PhysicalBase> mBorrowed;
};

} // namespace tolva
