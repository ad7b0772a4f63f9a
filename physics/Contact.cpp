#include "physics/Contact.h"

#include "physics/MovableObject.h"
#include "physics/PhysicalBase.h"
#include "platform/OdeContact.h"
#include "platform/OdeGeometry.h"

namespace tolva {

namespace {

template <typename T> T* ownerOf(ode::Geometry* geometry)
{
    return geometry ? dynamic_cast<T*>(geometry->getUserObject()) : nullptr;
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
    firstPhysical = ownerOf<PhysicalBase>(firstGeometry);
    secondPhysical = ownerOf<PhysicalBase>(secondGeometry);
    if (!firstPhysical || !secondPhysical) {
        return;
    }
    firstMovable = dynamic_cast<MovableObject*>(firstPhysical);
    secondMovable = dynamic_cast<MovableObject*>(secondPhysical);
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
