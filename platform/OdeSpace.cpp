#include "platform/OdeSpace.h"

#include "platform/OdeBody.h"
#include "platform/OdeCollisionListener.h"
#include "platform/OdeContact.h"
#include "platform/OdeGeometry.h"
#include "platform/OdeLibrary.h"
#include "platform/OdeObjectPool.h"

namespace tolva::ode {

namespace {

struct CollideContext {
    CollisionListener* listener;
    dWorldID world;
    dJointGroupID group;
};

void reportContacts(CollideContext& context, dGeomID o1, dGeomID o2, const GeometryTag* first, const GeometryTag* second)
{
    dContact raw[Geometry::MAX_CONTACTS];
    const int count = dCollide(o1, o2, Geometry::MAX_CONTACTS, &raw[0].geom, sizeof(dContact));
    if (count == 0) {
        return;
    }
    const dBodyID b1 = dGeomGetBody(o1);
    const dBodyID b2 = dGeomGetBody(o2);
    const bool constrains = context.world && (b1 || b2) && b1 != b2;
    for (int i = 0; i < count; ++i) {
        Contact contact(raw[i], first, second);
        const bool accepted = context.listener ? context.listener->collision(&contact) : true;
        if (!accepted || !constrains) {
            continue;
        }
        const dJointID joint = dJointCreateContact(context.world, context.group, &raw[i]);
        // A unidirectional contact is attached to the body that feels it alone: ODE then treats
        // the other side as immovable, so the contact pushes nothing back.
        switch (contact.getUnidirectionality()) {
        case Contact::UNIDIRECTIONAL_SECOND:
            dJointAttach(joint, nullptr, b2);
            break;
        case Contact::UNIDIRECTIONAL_FIRST:
            dJointAttach(joint, b1, nullptr);
            break;
        default:
            dJointAttach(joint, b1, b2);
            break;
        }
    }
}

void nearCallback(void* data, dGeomID o1, dGeomID o2)
{
    if (o1 == o2) {
        return;
    }
    auto& context = *static_cast<CollideContext*>(data);
    // Only geometries carry a tag: two tags are a pair of geometries, and the space test is left
    // for the rest.
    const GeometryTag* first = Geometry::tagOf(o1);
    const GeometryTag* second = Geometry::tagOf(o2);
    if (first && second) {
        reportContacts(context, o1, o2, first, second);
    } else if (dGeomIsSpace(o1) || dGeomIsSpace(o2)) {
        dSpaceCollide2(o1, o2, data, nearCallback);
    }
}

} // namespace

Space::Space()
{
    initialiseLibrary();
    {
        const ObjectPool::Scope pooled;
        mId = dHashSpaceCreate(nullptr);
    }
    // Geometries belong to their wrappers, never to the space.
    dSpaceSetCleanup(mId, 0);
}

Space::~Space()
{
    while (dSpaceGetNumGeoms(mId) > 0) {
        const dGeomID id = dSpaceGetGeom(mId, 0);
        dSpaceRemove(mId, id);
        if (Geometry* geometry = Geometry::fromId(id)) {
            geometry->_spaceDestroyed();
        }
    }
    dSpaceDestroy(mId);
}

int Space::getGeometryCount() const
{
    return dSpaceGetNumGeoms(mId);
}

void Space::collide(CollisionListener* listener, dWorldID world, dJointGroupID group)
{
    CollideContext context{listener, world, group};
    dSpaceCollide(mId, &context, nearCallback);
}

void Space::collide(Geometry* geometry, CollisionListener* listener)
{
    if (!geometry) {
        return;
    }
    CollideContext context{listener, nullptr, nullptr};
    dSpaceCollide2(geometry->getGeometryID(), reinterpret_cast<dGeomID>(mId), &context, nearCallback);
}

} // namespace tolva::ode
