#include "physics/Contact.h"

#include "physics/MovableObject.h"
#include "physics/PhysicalBase.h"
#include "platform/OdeContact.h"
#include "platform/OdeGeometry.h"

namespace tolva {

namespace {

/// The flags say whether the owner is a movable, so that the record needs no cast and reads
/// nothing of the object.
MovableObject* movableOf(const Contact& contact, PhysicalBase* physical, unsigned int flags)
{
    return contact.isValid() && (flags & PhysicalBase::CONTACT_MOVABLE) ? static_cast<MovableObject*>(physical)
                                                                        : nullptr;
}

} // namespace

Contact::Contact(ode::Contact* contact)
{
    setContact(contact);
}

void Contact::setContact(ode::Contact* contact)
{
    const unsigned int first = PhysicalBase::getContactFlags(contact->getFirstGeometry());
    const unsigned int second = PhysicalBase::getContactFlags(contact->getSecondGeometry());
    if (first & second & PhysicalBase::CONTACT_PHYSICAL) {
        // A degenerate contact's normal may be NaN; listeners (the play sphere's floor) take it.
        const Ogre::Vector3 layerNormal = contact->getNormal();
        setContact(contact, first, second, ode::isFinite(layerNormal) ? layerNormal : Ogre::Vector3::ZERO);
        return;
    }
    firstGeometry = contact->getFirstGeometry();
    secondGeometry = contact->getSecondGeometry();
    firstPhysical = PhysicalBase::fromGeometry(firstGeometry);
    secondPhysical = PhysicalBase::fromGeometry(secondGeometry);
    firstFlags = (unsigned char)first;
    secondFlags = (unsigned char)second;
    // A one-off test against a bare geometry is a real contact all the same.
    position = contact->getPosition();
    normal = contact->getNormal();
    penetrationDepth = contact->getPenetrationDepth();
    firstSide = contact->getFirstSide();
    secondSide = contact->getSecondSide();
}

void Contact::setContact(
    ode::Contact* contact, unsigned int first, unsigned int second, const Ogre::Vector3& finiteNormal)
{
    firstGeometry = contact->getFirstGeometry();
    secondGeometry = contact->getSecondGeometry();
    // The flags say the owners are physical objects, so they need no cast (see
    // PhysicalBase::ContactFlag).
    firstPhysical = static_cast<PhysicalBase*>(contact->getFirstUserObject());
    secondPhysical = static_cast<PhysicalBase*>(contact->getSecondUserObject());
    firstFlags = (unsigned char)first;
    secondFlags = (unsigned char)second;
    position = contact->getPosition();
    normal = finiteNormal;
    penetrationDepth = contact->getPenetrationDepth();
    firstSide = contact->getFirstSide();
    secondSide = contact->getSecondSide();
}

MovableObject* Contact::getFirstMovable() const
{
    return movableOf(*this, firstPhysical, firstFlags);
}

MovableObject* Contact::getSecondMovable() const
{
    return movableOf(*this, secondPhysical, secondFlags);
}

Ogre::Vector3 Contact::getNormalFor(const PhysicalBase* object) const
{
    if (object && object == secondPhysical && object != firstPhysical) {
        return -normal;
    }
    return normal;
}

void Contact::forgetGeometry(const ode::Geometry* geometry)
{
    if (geometry && (firstGeometry == geometry || secondGeometry == geometry)) {
        firstGeometry = secondGeometry = nullptr;
        firstPhysical = secondPhysical = nullptr;
    }
}

void Contact::forgetObject(const PhysicalBase* object)
{
    if (firstPhysical == object) {
        firstPhysical = nullptr;
        firstGeometry = nullptr;
    }
    if (secondPhysical == object) {
        secondPhysical = nullptr;
        secondGeometry = nullptr;
    }
}

} // namespace tolva
