#include "physics/GravityMap.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/ToString.h"
#include "physics/GravityManager.h"
#include "physics/MovableObject.h"
#include "physics/Trigger.h"
#include "platform/OdeBody.h"
#include "platform/OdeGeometry.h"
#include "scripting/Python.h"

#include <OgreSceneNode.h>

#include <cmath>
#include <cstdlib>

namespace tolva {

namespace {

const std::string GravityScaleProperty = "gravityScale";
const std::string ChargeProperty = "charge";

/// A property read as a finite number; false when it is missing or its text is anything else.
bool readNumber(const PhysicalBase::PropertyMap& properties, const std::string& name, float& value)
{
    auto it = properties.find(name);
    if (it == properties.end() || it->second.empty()) {
        return false;
    }
    const char* text = it->second.c_str();
    char* end = nullptr;
    const float number = std::strtof(text, &end);
    if (end != text + it->second.size() || !std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

} // namespace

GravityMap::GravityMap(const std::string& fileName)
{
    setUp(fileName);
}

GravityMap::GravityMap(const std::string& fileName, Ogre::SceneNode* node)
    : GameObject(node)
{
    setUp(fileName);
}

void GravityMap::setUp(const std::string& fileName)
{
    GravityManager* manager = GravityManager::getInstance();
    if (!manager) {
        throw IllegalStateException("Gravity maps need the gravity manager.");
    }
    try {
        mData = manager->getGravityData(fileName);
    } catch (const ScriptingException&) {
        // The interpreter's own report goes to the log and leaves no error pending behind us.
        Engine* engine = Engine::getInstance();
        if (engine && engine->getScripting()) {
            engine->getScripting()->getErrorString();
        }
        throw InitialisationException("Error loading gravity map: " + ToString(fileName));
    }
    setPosition(mData->getPosition());
    setOrientation(mData->getOrientation());
    mCells = mData->getCellCount() == 0 ? nullptr : &mData->getCell(0, 0, 0);
    mCellSize = mData->getCellSize();
    mCountX = float(mData->getCountX());
    mCountY = float(mData->getCountY());
    mCountZ = float(mData->getCountZ());
    mRowsY = mData->getCountY();
    mRowsZ = mData->getCountZ();
    mSize = mData->getSize();

    const Ogre::Vector3 size = mData->getSize();
    mTrigger = std::make_unique<Trigger>(size);
    // The trigger's geometry rides on the map's node, so its place in the grid is an offset.
    mTrigger->setOffsetPosition(size * 0.5f);
    mTrigger->_setOffsetFollowsNodeScale(size * 0.5f);
    mTrigger->setCollisionCategory(PhysicalBase::COLL_GRAVITY);
    mTrigger->setCollisionPartners(0);
    // Under a scaled parent the grid's offsets may already be beyond what the physics can place:
    // refused here, or every later step would fail to fit the sensor.
    if (childFits(mTrigger.get()) != WorldFit::Fits) {
        throw InvalidArgumentException("The gravity map would take a physical object of the hierarchy beyond 1e7.");
    }
    addChild(mTrigger.get());
    // The map senses by itself in every step, with the trigger's box and bits (see touches).
    // Left in the collision pass, the trigger would repeat that test against every sensed
    // object (and every static level mesh) in every step, and report each contact to the
    // object's collision signal.
    mTrigger->setEnabled(false);
    manager->_addMap(this);
}

GravityMap::~GravityMap()
{
    if (GravityManager* manager = GravityManager::getInstance()) {
        manager->_removeMap(this);
    }
    if (mTrigger) {
        removeChild(mTrigger.get());
        mTrigger.reset();
    }
    mData.reset();
}

void GravityMap::setMagneticCharge(float charge)
{
    if (!std::isfinite(charge)) {
        throw InvalidArgumentException("The magnetic charge of a gravity map must be a finite number.");
    }
    mMagneticCharge = charge;
}

void GravityMap::setIntensity(float intensity)
{
    if (!std::isfinite(intensity)) {
        throw InvalidArgumentException("The intensity of a gravity map must be a finite number.");
    }
    mIntensity = intensity;
}

void GravityMap::setScale(const Ogre::Vector3& scale)
{
    if (!std::isfinite(scale.x) || !std::isfinite(scale.y) || !std::isfinite(scale.z)) {
        throw InvalidArgumentException("The scale of a gravity map must be finite.");
    }
    GameObject::setScale(scale);
}

void GravityMap::scale(const Ogre::Vector3& factors)
{
    setScale(getScale() * factors);
}

inline bool GravityMap::findCell(const Ogre::Vector3& local, uint32_t& i, uint32_t& j, uint32_t& k) const
{
    // A grid without cells holds no point, not even in the band below its lower faces.
    if (!mCells) {
        return false;
    }
    // Compared as floats before any conversion: a far point (or a NaN) has no integer index.
    const float x = local.x / mCellSize;
    const float y = local.y / mCellSize;
    const float z = local.z / mCellSize;
    if (!(x > -1.0f && x < mCountX && y > -1.0f && y < mCountY && z > -1.0f && z < mCountZ)) {
        return false;
    }
    // Truncation toward zero: the band within one cell below a lower face is the first layer.
    i = x > 0 ? uint32_t(x) : 0;
    j = y > 0 ? uint32_t(y) : 0;
    k = z > 0 ? uint32_t(z) : 0;
    return true;
}

Ogre::Vector3 GravityMap::getGravity(const Ogre::Vector3& worldPosition) const
{
    const Ogre::Affine3& transform = mNode->_getFullTransform();
    uint32_t i, j, k;
    if (!findCell(transform.inverse() * worldPosition, i, j, k)) {
        return Ogre::Vector3::ZERO;
    }
    return transform.linear() * mData->getCell(i, j, k) * mIntensity;
}

Ogre::Vector3 GravityMap::getWorldCentrePosition() const
{
    return mNode->_getFullTransform() * (mData->getSize() * 0.5f);
}

void GravityMap::_prepareStep()
{
    const Ogre::Affine3& transform = mNode->_getFullTransform();
    mStepInverse = transform.inverse();
    mStepLinear = transform.linear();
    ode::Geometry* sensor = mTrigger->getGeometry(0);
    // A geometry does not take its node's scale: the box is fitted to the scaled grid here.
    const Ogre::Vector3& scale = mNode->_getDerivedScale();
    if (scale != mFittedScale) {
        mFittedScale = scale;
        sensor->setScale(Ogre::Vector3(std::abs(scale.x), std::abs(scale.y), std::abs(scale.z)));
        mTrigger->setOffsetPosition(mData->getSize() * 0.5f * scale);
    }
    mSensorCategory = sensor->getCategoryBitfield();
    mSensorPartners = sensor->getCollisionBitfield();
}

inline bool GravityMap::touches(const PushTarget& target, const Ogre::Vector3& local) const
{
    // A solid shape whose centre is inside the box touches it; anything else takes the
    // collision test the trigger's contacts would come from.
    if (target.centred && local.x >= 0 && local.y >= 0 && local.z >= 0 && local.x < mSize.x && local.y < mSize.y
        && local.z < mSize.z) {
        return true;
    }
    dContactGeom contact;
    return dCollide(mTrigger->getGeometry(0)->getGeometryID(), target.geometry, 1, &contact, sizeof(contact)) > 0;
}

GravityMap::PushProperties GravityMap::readPushProperties(const PhysicalBase* object)
{
    PushProperties result;
    const PhysicalBase::PropertyMap& properties = object->getPropertyMap();
    if (!properties.empty()) {
        readNumber(properties, GravityScaleProperty, result.scale);
        result.charged = readNumber(properties, ChargeProperty, result.charge);
    }
    return result;
}

inline bool GravityMap::pushFactor(const PushProperties& properties, float& factor) const
{
    if (!mMagnetic) {
        factor = properties.scale;
        return true;
    }
    if (!properties.charged) {
        return false;
    }
    const float charge = properties.charge;
    factor = (mMagneticCharge == 0 && charge != 0) ? properties.scale : -mMagneticCharge * charge * properties.scale;
    return true;
}

bool GravityMap::readPushTarget(const MovableObject* object, PushTarget& target)
{
    ode::Body* body = object->getBody();
    ode::Geometry* geometry = object->getGeometry(0);
    if (!body || !geometry || !object->isCollidable() || !geometry->isEnabled()) {
        return false;
    }
    target.body = body->getBodyID();
    target.geometry = geometry->getGeometryID();
    target.category = geometry->getCategoryBitfield();
    target.partners = geometry->getCollisionBitfield();
    target.properties = readPushProperties(object);
    target.centred = false;
    if (geometry->getOffsetPosition() == Ogre::Vector3::ZERO) {
        switch (geometry->getClass()) {
        case ode::Geometry::CLASS_SPHERE:
        case ode::Geometry::CLASS_BOX:
        case ode::Geometry::CLASS_CAPSULE:
        case ode::Geometry::CLASS_CYLINDER:
            target.centred = true;
            break;
        default:
            break;
        }
    }
    return true;
}

bool GravityMap::_pushInStep(const PushTarget& target)
{
    // The rule first: it needs nothing but the properties at hand. Then the body's position,
    // from ODE's own record, which the step reads anyway.
    float factor = 0;
    if (!pushFactor(target.properties, factor)) {
        return false;
    }
    if (!(mSensorCategory & target.partners) && !(target.category & mSensorPartners)) {
        return false;
    }
    const dReal* position = dBodyGetPosition(target.body);
    const Ogre::Vector3 local
        = mStepInverse * Ogre::Vector3(float(position[0]), float(position[1]), float(position[2]));
    uint32_t i, j, k;
    if (!findCell(local, i, j, k) || !touches(target, local)) {
        return false;
    }
    const Ogre::Vector3& cell = mCells[(size_t(i) * mRowsY + j) * mRowsZ + k];
    const Ogre::Vector3 force = mStepLinear * (cell * (mIntensity * factor));
    if (std::isfinite(force.x) && std::isfinite(force.y) && std::isfinite(force.z)) {
        dBodyAddForce(target.body, force.x, force.y, force.z);
    } else {
        // Refused, with the body's warning (which only writes to the log).
        ode::Body::fromId(target.body)->addForce(force);
    }
    return true;
}

} // namespace tolva
