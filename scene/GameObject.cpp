#include "scene/GameObject.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "scene/Graphics.h"
#include "scene/NodeObject.h"
#include "scene/SceneValueCheck.h"

#include <OgreMath.h>
#include <OgreMovableObject.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace tolva {

namespace {

Ogre::SceneNode* newNode()
{
    Engine* engine = Engine::getInstance();
    Graphics* graphics = engine ? engine->getGraphics() : nullptr;
    if (!graphics) {
        throw IllegalStateException("Game objects need the graphics module.");
    }
    return graphics->createIsolatedNode();
}

} // namespace

GameObject::GameObject()
    : mNode(newNode())
    , mOwnsNode(true)
{
    Graphics* graphics = Engine::getInstance()->getGraphics();
    if (NodeObject* root = graphics->getRootNodeObject()) {
        setParent(root);
    } else {
        graphics->getRootNode()->addChild(mNode);
    }
}

GameObject::GameObject(Ogre::SceneNode* node)
    : mNode(node)
{
}

GameObject::~GameObject()
{
    // One at a time: a watcher may add or remove watchers of this object while it is told.
    while (!mWatchers.empty()) {
        Watcher* watcher = mWatchers.back();
        mWatchers.pop_back();
        watcher->gameObjectDestroyed(this);
    }
    // The hierarchy's own destructor only sees the base by then; detach the scene side here.
    for (Hierarchical* child : std::vector<Hierarchical*>(mChildren)) {
        child->_detachFromSceneNode(mNode);
    }
    if (mParent) {
        if (auto* parent = dynamic_cast<GameObject*>(mParent)) {
            if (mNode->getParentSceneNode() == parent->mNode) {
                parent->mNode->removeChild(mNode);
            }
        }
    }
    mNode->detachAllObjects();
    mNode->removeAllChildren();
    if (mOwnsNode) {
        // Made for this object alone; kept, it would stay in the scene manager for good.
        if (Ogre::SceneNode* parentNode = mNode->getParentSceneNode()) {
            parentNode->removeChild(mNode);
        }
        mNode->getCreator()->destroySceneNode(mNode);
    }
}

void GameObject::_removeWatcher(Watcher* watcher)
{
    const auto found = std::find(mWatchers.begin(), mWatchers.end(), watcher);
    if (found != mWatchers.end()) {
        mWatchers.erase(found);
    }
}

void GameObject::attachToNode(Ogre::SceneNode* node, Ogre::MovableObject* object)
{
    // An object on a bone names the entity's node as its scene node, but only the bone's tag point
    // holds it; whoever hung it there (a rig) takes it off again.
    if (!object || object->isParentTagPoint()) {
        return;
    }
    if (Ogre::SceneNode* old = object->getParentSceneNode()) {
        if (old == node) {
            return;
        }
        old->detachObject(object);
    }
    node->attachObject(object);
}

// Detaching an object from a node it does not hang on would clear its parent pointer while the
// real parent still lists it.
void GameObject::detachFromNode(Ogre::SceneNode* node, Ogre::MovableObject* object)
{
    if (object && !object->isParentTagPoint() && object->getParentSceneNode() == node) {
        node->detachObject(object);
    }
}

void GameObject::_attachToSceneNode(Ogre::SceneNode* node)
{
    if (Ogre::SceneNode* old = mNode->getParentSceneNode()) {
        if (old == node) {
            return;
        }
        old->removeChild(mNode);
    }
    node->addChild(mNode);
}

void GameObject::_detachFromSceneNode(Ogre::SceneNode* node)
{
    if (mNode->getParentSceneNode() == node) {
        node->removeChild(mNode);
    }
}

void GameObject::childAttaching(Hierarchical* child)
{
    Hierarchical::childAttaching(child);
    if (child && lists(child)) {
        child->_attachToSceneNode(mNode);
    }
}

void GameObject::childDetaching(Hierarchical* child)
{
    Hierarchical::childDetaching(child);
    if (child) {
        child->_detachFromSceneNode(mNode);
    }
}

namespace {

bool isSceneRoot(const Hierarchical* object)
{
    const auto* gameObject = dynamic_cast<const GameObject*>(object);
    const Ogre::SceneNode* node = gameObject ? gameObject->getNode() : nullptr;
    return node && node == node->getCreator()->getRootSceneNode();
}

const char* const ROOT_AS_CHILD = "Warning: Attempt to add an ancestor of a hierarchical as its child.";
const char* const BEYOND_SCENE
    = "Warning: Attempt to place a hierarchical where an object of it would have a world position or scale beyond 1e15.";
const char* const BEYOND_PHYSICS
    = "Warning: Attempt to place a hierarchical where a physical object of it would be beyond 1e7.";

bool withinScene(const Ogre::Vector3& value)
{
    return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z)
        && std::fabs(value.x) <= SceneValueCheck::MaxMagnitude && std::fabs(value.y) <= SceneValueCheck::MaxMagnitude
        && std::fabs(value.z) <= SceneValueCheck::MaxMagnitude;
}

} // namespace

bool GameObject::warnUnlessFits(WorldFit fit)
{
    if (fit == WorldFit::BeyondScene) {
        logWarning(BEYOND_SCENE);
    } else if (fit == WorldFit::BeyondPhysics) {
        logWarning(BEYOND_PHYSICS);
    }
    return fit != WorldFit::Fits;
}

GameObject::WorldPose GameObject::composeUnder(const WorldPose& parent, const Ogre::Node* node)
{
    // As the rendering engine's Node::_updateFromParent.
    WorldPose pose;
    pose.orientation = node->getInheritOrientation() ? parent.orientation * node->getOrientation()
                                                     : node->getOrientation();
    pose.scale = node->getInheritScale() ? parent.scale * node->getScale() : node->getScale();
    pose.position = parent.orientation * (parent.scale * node->getPosition()) + parent.position;
    return pose;
}

GameObject::WorldPose GameObject::worldPoseOf(const Ogre::Node* node)
{
    // The rendering engine's derived transforms are brought up to date only by its frame's update
    // of the tree: below an ancestor changed since then they are stale. So the chain's own
    // transforms are combined here, from the top down, as that update will combine them. The
    // chain is kept between calls (nothing called here walks again), so moves allocate nothing.
    static std::vector<const Ogre::Node*> chain;
    chain.clear();
    for (; node; node = node->getParent()) {
        chain.push_back(node);
    }
    WorldPose pose;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        pose = composeUnder(pose, *it);
    }
    return pose;
}

GameObject::WorldPose GameObject::parentPose() const
{
    return worldPoseOf(mNode->getParent());
}

GameObject::WorldPose GameObject::poseUnder(const WorldPose& parent) const
{
    return composeUnder(parent, mNode);
}

GameObject::WorldFit GameObject::fitAt(const WorldPose& pose) const
{
    if (mChildren.empty()) {
        if (!withinScene(pose.position) || !withinScene(pose.scale)) {
            return WorldFit::BeyondScene;
        }
        return ownPartsFitAt(pose) ? WorldFit::Fits : WorldFit::BeyondPhysics;
    }
    // Without recursion: trees may be as deep as the hierarchy allows. The stack is kept between
    // calls (the walk calls out to nothing that could walk again), so moves allocate nothing.
    static std::vector<std::pair<const GameObject*, WorldPose>> pending;
    pending.assign(1, std::make_pair(this, pose));
    while (!pending.empty()) {
        const GameObject* object = pending.back().first;
        const WorldPose at = pending.back().second;
        pending.pop_back();
        if (!withinScene(at.position) || !withinScene(at.scale)) {
            return WorldFit::BeyondScene;
        }
        if (!object->ownPartsFitAt(at)) {
            return WorldFit::BeyondPhysics;
        }
        for (const Hierarchical* child : object->mChildren) {
            if (const auto* game = dynamic_cast<const GameObject*>(child)) {
                pending.emplace_back(game, game->poseUnder(at));
            } else if (!child->_fitsOnSceneNode(at.position, at.orientation, at.scale)) {
                return WorldFit::BeyondPhysics;
            }
        }
    }
    return WorldFit::Fits;
}

GameObject::WorldFit GameObject::childFits(const Hierarchical* child) const
{
    const WorldPose here = worldPoseOf(mNode);
    if (const auto* game = dynamic_cast<const GameObject*>(child)) {
        return game->fitAt(game->poseUnder(here));
    }
    return child->_fitsOnSceneNode(here.position, here.orientation, here.scale) ? WorldFit::Fits : WorldFit::BeyondPhysics;
}

void GameObject::requireFitOrRestore(
    const Ogre::Vector3& position, const Ogre::Quaternion& orientation, const Ogre::Vector3& scale, const char* what)
{
    const WorldFit fit = fitAt(poseUnder(parentPose()));
    if (fit == WorldFit::Fits) {
        return;
    }
    mNode->setPosition(position);
    mNode->setOrientation(orientation);
    mNode->setScale(scale);
    throw InvalidArgumentException(std::string(what)
        + (fit == WorldFit::BeyondScene ? " would give an object of the hierarchy a world position or scale beyond 1e15."
                                        : " would take a physical object of the hierarchy beyond 1e7."));
}

void GameObject::setParent(Hierarchical* parent)
{
    if (parent && isSceneRoot(this)) {
        logWarning(ROOT_AS_CHILD);
        return;
    }
    // Refused before the hierarchy lets go of the old parent (a cycle is refused there). Without a
    // parent the node stands alone.
    if (parent != mParent && parent != this && !isAncestorOf(parent)) {
        const auto* game = dynamic_cast<const GameObject*>(parent);
        const WorldFit fit = game ? game->childFits(this) : parent ? WorldFit::Fits : fitAt(poseUnder(WorldPose()));
        if (warnUnlessFits(fit)) {
            return;
        }
    }
    Hierarchical::setParent(parent);
}

bool GameObject::rawAddChild(Hierarchical* child)
{
    if (isSceneRoot(child)) {
        logWarning(ROOT_AS_CHILD);
        return false;
    }
    if (!Hierarchical::rawAddChild(child)) {
        return false;
    }
    if (warnUnlessFits(childFits(child))) {
        mChildren.pop_back();
        return false;
    }
    return true;
}

bool GameObject::addChild(Hierarchical* child)
{
    if (!Hierarchical::addChild(child)) {
        return false;
    }
    child->_attachToSceneNode(mNode);
    return true;
}

bool GameObject::removeChild(Hierarchical* child)
{
    if (!Hierarchical::removeChild(child)) {
        return false;
    }
    child->_detachFromSceneNode(mNode);
    return true;
}

void GameObject::updateAll()
{
    update(true, true);
}

void GameObject::updateChildren()
{
    mNode->_update(true, true);
    update(true, false);
}

Ogre::Vector3 GameObject::getPosition() const
{
    return mNode->getPosition();
}
void GameObject::setPosition(const Ogre::Vector3& position)
{
    SceneValueCheck::requireBounded(position, "The position");
    const Ogre::Vector3 before = mNode->getPosition();
    mNode->setPosition(position);
    requireFitOrRestore(before, mNode->getOrientation(), mNode->getScale(), "The position");
}
void GameObject::translate(const Ogre::Vector3& offset)
{
    SceneValueCheck::requireFinite(offset, "The offset");
    SceneValueCheck::requireBounded(mNode->getPosition() + offset, "The translated position");
    const Ogre::Vector3 before = mNode->getPosition();
    mNode->translate(offset, Ogre::Node::TS_PARENT);
    requireFitOrRestore(before, mNode->getOrientation(), mNode->getScale(), "The translated position");
}
Ogre::Quaternion GameObject::getOrientation() const
{
    return mNode->getOrientation();
}
void GameObject::setOrientation(const Ogre::Quaternion& orientation)
{
    SceneValueCheck::requireOrientation(orientation, "The orientation");
    const Ogre::Quaternion before = mNode->getOrientation();
    mNode->setOrientation(orientation);
    requireFitOrRestore(mNode->getPosition(), before, mNode->getScale(), "The orientation");
}

void GameObject::rotate(const Ogre::Vector3& axis, float degrees)
{
    rotate(axis, degrees, mRotationMode);
}

void GameObject::rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space)
{
    SceneValueCheck::requireFinite(axis, "The rotation axis");
    SceneValueCheck::requireFinite(degrees, "The rotation angle");
    Ogre::Quaternion turn;
    turn.FromAngleAxis(Ogre::Radian(degrees * Ogre::Math::fDeg2Rad), axis);
    SceneValueCheck::requireOrientation(turn, "The rotation");
    const Ogre::Quaternion before = mNode->getOrientation();
    mNode->rotate(turn, space);
    requireFitOrRestore(mNode->getPosition(), before, mNode->getScale(), "The rotation");
}

Ogre::Vector3 GameObject::getScale() const
{
    return mNode->getScale();
}
void GameObject::setScale(const Ogre::Vector3& scale)
{
    SceneValueCheck::requireBounded(scale, "The scale");
    const Ogre::Vector3 before = mNode->getScale();
    mNode->setScale(scale);
    requireFitOrRestore(mNode->getPosition(), mNode->getOrientation(), before, "The scale");
}
void GameObject::scale(const Ogre::Vector3& factors)
{
    SceneValueCheck::requireFinite(factors, "The scale factors");
    SceneValueCheck::requireBounded(mNode->getScale() * factors, "The scaled scale");
    const Ogre::Vector3 before = mNode->getScale();
    mNode->scale(factors);
    requireFitOrRestore(mNode->getPosition(), mNode->getOrientation(), before, "The scaled scale");
}
Ogre::Vector3 GameObject::getWorldPosition() const
{
    return mNode->_getDerivedPosition();
}
Ogre::Quaternion GameObject::getWorldOrientation() const
{
    return mNode->_getDerivedOrientation();
}
Ogre::Vector3 GameObject::getWorldScale() const
{
    return mNode->_getDerivedScale();
}

Ogre::Vector3 GameObject::globalise(const Ogre::Vector3& vector, bool isPosition) const
{
    const Ogre::Vector4 result
        = mNode->_getFullTransform() * Ogre::Vector4(vector.x, vector.y, vector.z, isPosition ? 1 : 0);
    return Ogre::Vector3(result.x, result.y, result.z);
}

Ogre::Vector3 GameObject::localise(const Ogre::Vector3& vector, bool isPosition) const
{
    const Ogre::Vector4 result
        = mNode->_getFullTransform().inverse() * Ogre::Vector4(vector.x, vector.y, vector.z, isPosition ? 1 : 0);
    return Ogre::Vector3(result.x, result.y, result.z);
}

Ogre::Vector3 GameObject::parentise(const Ogre::Vector3& vector, bool isPosition) const
{
    const Ogre::Vector3 turned = mNode->getOrientation() * vector;
    return isPosition ? turned + mNode->getPosition() : turned;
}

} // namespace tolva
