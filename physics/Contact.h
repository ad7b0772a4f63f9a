// One recorded contact point between two physical objects, dispatched to both after the step.
// Records live from the step that found them until the next physics frame begins; collision
// callbacks must not keep them.
#pragma once

#include <OgreVector.h>

namespace tolva {

namespace ode {
class Contact;
class Geometry;
} // namespace ode

class MovableObject;
class PhysicalBase;

class Contact {
public:
    /// No contact: null pointers and zeroed numbers.
    Contact() = default;
    /// Filled from a physics-layer contact (setContact).
    explicit Contact(ode::Contact* contact);

    /// Geometries, physical objects (null for a geometry no physical object holds), position,
    /// normal, depth and sides from the layer's contact; the movables when both physical objects
    /// exist.
    void setContact(ode::Contact* contact);
    /// The same for a contact whose geometries both belong to physical objects, with their
    /// owners' contact flags (PhysicalBase::ContactFlag) and the layer's normal, made finite, at
    /// hand, as the contact filter has them.
    void setContact(ode::Contact* contact, unsigned int first, unsigned int second, const Ogre::Vector3& normal);
    /// Both physical objects are present.
    bool isValid() const { return firstPhysical && secondPhysical; }
    /// The movable object of a side while both physical objects are present, else null.
    MovableObject* getFirstMovable() const;
    MovableObject* getSecondMovable() const;
    bool isBetweenMovables() const { return getFirstMovable() && getSecondMovable(); }

    /// The contact normal turned to point towards the given object, which is the way the contact
    /// pushes it (the raw normal's sign depends on which object the layer named first). For an
    /// object that is not part of the contact, the raw normal.
    Ogre::Vector3 getNormalFor(const PhysicalBase* object) const;

    /// Forgets an object that is being destroyed, so that nothing reaches it through this record.
    void forgetObject(const PhysicalBase* object);
    /// Forgets both objects when the geometry is one of the contact's: a contact of a geometry
    /// that was deleted is no contact any more.
    void forgetGeometry(const ode::Geometry* geometry);

    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    /// Points from the second object towards the first.
    Ogre::Vector3 normal = Ogre::Vector3::ZERO;
    float penetrationDepth = 0.0f;
    int firstSide = 0;
    int secondSide = 0;
    /// The owners' contact flags (PhysicalBase::ContactFlag) when the contact was found; the
    /// physics module marks a side it must dispatch to with CONTACT_LISTENED.
    unsigned char firstFlags = 0;
    unsigned char secondFlags = 0;
    ode::Geometry* firstGeometry = nullptr;
    ode::Geometry* secondGeometry = nullptr;
    PhysicalBase* firstPhysical = nullptr;
    PhysicalBase* secondPhysical = nullptr;
    /// The physics step that found the contact, counted by the physics module from its start:
    /// of a frame's records, those of a later step have a higher number.
    unsigned long step = 0;
};

} // namespace tolva
