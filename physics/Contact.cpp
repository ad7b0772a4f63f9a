#include "physics/Contact.h"

#include "physics/MovableObject.h"
#include "physics/PhysicalBase.h"
#include "platform/OdeContact.h"
#include "platform/OdeGeometry.h"

namespace tolva {

namespace {

MovableObject* movableOf(PhysicalBase* physical, unsigned int flags)
{
    return flags & PhysicalBase::CONTACT_MOVABLE ? static_cast<MovableObject*>(physical) : nullptr;
}

} // namespace

Contact::Contact(ode::Contact* contact)
{
    setContact(contact);
}

void Contact::setContact(ode::Contact* contact)
{
    firstGeometry = contact->getFirstGeometry();
    secondGeometry = contact->getSecondGeometry();
    // The owners' flags say what they are, without a cast (see PhysicalBase::ContactFlag).
    const unsigned int firstFlags = PhysicalBase::getContactFlags(firstGeometry);
    const unsigned int secondFlags = PhysicalBase::getContactFlags(secondGeometry);
    firstPhysical = PhysicalBase::fromGeometry(firstGeometry);
    secondPhysical = PhysicalBase::fromGeometry(secondGeometry);
    if (!firstPhysical || !secondPhysical) {
        return;
    }
    firstMovable = movableOf(firstPhysical, firstFlags);
    secondMovable = movableOf(secondPhysical, secondFlags);
    position = contact->getPosition();
    normal = contact->getNormal();
    penetrationDepth = contact->getPenetrationDepth();
    firstSide = contact->getFirstSide();
    secondSide = contact->getSecondSide();
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
        firstMovable = secondMovable = nullptr;
    }
}

void Contact::forgetObject(const PhysicalBase* object)
{
    if (firstPhysical == object) {
        firstPhysical = nullptr;
        firstMovable = nullptr;
        firstGeometry = nullptr;
    }
    if (secondPhysical == object) {
        secondPhysical = nullptr;
        secondMovable = nullptr;
        secondGeometry = nullptr;
    }
}

} // namespace tolva
