#include "physics/CompoundPhysical.h"

#include "core/LogLine.h"
#include "physics/EmissionGuard.h"
#include "platform/OdeGeometry.h"

#include <algorithm>

namespace tolva {

CompoundPhysical::~CompoundPhysical()
{
    for (ode::Geometry* geometry : mGeometries) {
        deleteGeometry(geometry);
    }
    mGeometries.clear();
    mGeometryListeners.clear();
    mGeometryPartnerListeners.clear();
}

void CompoundPhysical::dispatchCollisionEvent(PhysicalBase* partner, Contact* contact)
{
    EmissionGuard guard(mEmission);
    PhysicalBase::dispatchCollisionEvent(partner, contact);
    if (guard.isOwnerGone() || !contact || !contact->isValid()) {
        return;
    }
    ode::Geometry* own = contact->firstPhysical == partner ? contact->secondGeometry : contact->firstGeometry;
    const auto call = [&](CollisionListener* listener) {
        if (!guard.isOwnerGone() && contact->isValid()) {
            listener->collision(partner, contact);
        }
    };
    auto geometryHolder = mGeometryListeners.find(own);
    if (geometryHolder != mGeometryListeners.end()) {
        geometryHolder->second.forEach(call);
    }
    // A listener may have destroyed this object or the partner, or deleted the geometry.
    if (guard.isOwnerGone() || !contact->isValid()) {
        return;
    }
    auto pairHolder = mGeometryPartnerListeners.find(std::make_pair(own, partner));
    if (pairHolder != mGeometryPartnerListeners.end()) {
        pairHolder->second.forEach(call);
    }
}

ode::Geometry* CompoundPhysical::getGeometry(unsigned int index) const
{
    return index < mGeometries.size() ? mGeometries[index] : nullptr;
}

bool CompoundPhysical::setGeometry(unsigned int index, ode::Geometry* geometry)
{
    if (index >= mGeometries.size()) {
        logWarning("Warning: Attempt to set geometry at invalid index on compound physical.");
        return false;
    }
    if (geometry == mGeometries[index]) {
        return true;
    }
    if (!geometry) {
        logWarning("Warning: Attempt to set invalid (NULL) geometry on compound physical.");
        return false;
    }
    if (std::find(mGeometries.begin(), mGeometries.end(), geometry) != mGeometries.end()) {
        logWarning("Warning: Attempt to set duplicate geometry on compound physical.");
        return false;
    }
    if (geometry->getUserObject()) {
        logWarning("Warning: Attempt to give a physical object a geometry that another one owns.");
        return false;
    }
    adoptGeometry(geometry);
    ode::Geometry* old = mGeometries[index];
    mGeometries[index] = geometry;
    deleteGeometry(old);
    return true;
}

bool CompoundPhysical::addGeometry(ode::Geometry* geometry)
{
    if (!geometry) {
        logWarning("Warning: Attempt to add invalid (NULL) geometry to compound physical.");
        return false;
    }
    if (std::find(mGeometries.begin(), mGeometries.end(), geometry) != mGeometries.end()) {
        logWarning("Warning: Attempt to add duplicate geometry to compound physical.");
        return false;
    }
    if (geometry->getUserObject()) {
        logWarning("Warning: Attempt to give a physical object a geometry that another one owns.");
        return false;
    }
    mGeometries.push_back(geometry);
    adoptGeometry(geometry);
    return true;
}

bool CompoundPhysical::removeGeometry(unsigned int index)
{
    if (index >= mGeometries.size()) {
        logWarning("Warning: Attempt to remove geometry at invalid index from compound physical.");
        return false;
    }
    return removeGeometry(mGeometries[index]);
}

bool CompoundPhysical::removeGeometry(ode::Geometry* geometry)
{
    auto it = std::find(mGeometries.begin(), mGeometries.end(), geometry);
    if (!geometry || it == mGeometries.end()) {
        logWarning("Warning: Attempt to remove non-existent geometry from compound physical.");
        return false;
    }
    mGeometries.erase(it);
    deleteGeometry(geometry);
    return true;
}

PhysicalBase::CollisionListenerHolder& CompoundPhysical::eventGeometryCollision(ode::Geometry* geometry)
{
    const bool first = !hasOwnCollisionReceivers();
    CollisionListenerHolder& holder = mGeometryListeners[geometry];
    if (first) {
        refreshContactFlags();
    }
    return holder;
}

PhysicalBase::CollisionListenerHolder& CompoundPhysical::eventGeometryPhysicalCollision(
    ode::Geometry* geometry, PhysicalBase* partner)
{
    const bool first = !hasOwnCollisionReceivers();
    CollisionListenerHolder& holder = mGeometryPartnerListeners[std::make_pair(geometry, partner)];
    if (first) {
        refreshContactFlags();
    }
    return holder;
}

} // namespace tolva
