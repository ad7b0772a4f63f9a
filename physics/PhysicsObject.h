// A scene object that carries a physical object and hangs its geometries on the scene node, so
// that they follow the node. It owns the carried object only when it made it from a geometry.
#pragma once

#include "scene/GameObject.h"

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

    PhysicalBase* getBase() const { return mBase; }
    /// Takes the old object's geometries off the node (deleting it when owned), then carries the
    /// new one, not owned, and hangs its geometries on the node. Null carries nothing.
    void setBase(PhysicalBase* base);
    /// Null is setBase(nullptr); otherwise carries a new single physical object, owned.
    void setBase(ode::Geometry* geometry);

private:
    void carry(PhysicalBase* base, bool owned);
    void release();

    bool mOwned = false;
    PhysicalBase* mBase = nullptr;
};

} // namespace tolva
