#include "scene/MeshObject.h"

#include <OgreAnimationState.h>
#include <OgreBone.h>
#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreMesh.h>
#include <OgrePass.h>
#include <OgreSceneManager.h>
#include <OgreSkeletonInstance.h>
#include <OgreSubEntity.h>
#include <OgreSubMesh.h>
#include <OgreTechnique.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/Hierarchical.h"
#include "core/LogLine.h"
#include "core/Transformable.h"
#include "scene/Graphics.h"
#include "scene/MaterialAlpha.h"
#include "scene/MeshBody.h"
#include "scene/SceneNames.h"
#include "scene/SceneValueCheck.h"

namespace tolva {

namespace {

const char* const NO_SKELETON = "The mesh does not have a skeleton.";
const char* const NO_BONE = "The requested bone does not exist within the skeleton.";
const char* const NO_LOOP_ANIMATION = "Warning: Attempt to set animation loop-state requested with no set animation.";

Graphics& graphics()
{
    return *Engine::getInstance()->getGraphics();
}

/// Fade material name to the mesh object that has it on: two live objects must never share one.
std::map<std::string, const MeshObject*>& fadeMaterialUsers()
{
    static std::map<std::string, const MeshObject*> users;
    return users;
}

} // namespace

MeshObject::MeshObject(const std::string& name, const std::string& meshName)
    : RenderableObject(nullptr)
{
    Ogre::SceneManager* scene = graphics().getSceneManager();
    requireFreeName(scene->hasEntity(name), "mesh", name);
    mEntity = scene->createEntity(name, meshName);
    setObject(mEntity, true);
    if (mEntity->getNumSubEntities() > 0) {
        Ogre::SubEntity* first = mEntity->getSubEntity(0);
        mBaseMaterialName = first->getMaterialName();
        // How the graphics module finds this object among the renderables it queues.
        first->getUserObjectBindings().setUserAny(Ogre::Any(static_cast<const MeshObject*>(this)));
    }
    if (mEntity->hasSkeleton()) {
        mEntity->getSkeleton()->setBlendMode(Ogre::ANIMBLEND_CUMULATIVE);
    }
}

MeshObject::~MeshObject()
{
    for (auto& entry : mAttachments) {
        entry.second.object->_removeWatcher(this);
        // The bones go with the entity; nothing may call back into this object meanwhile.
        const_cast<Ogre::Node*>(entry.first)->setListener(nullptr);
    }
    mAttachments.clear();
    if (Ogre::AnimationStateSet* states = mEntity->getAllAnimationStates()) {
        // The rendering engine does not free a blend mask with its animation state.
        for (const auto& state : states->getAnimationStates()) {
            if (state.second->hasBlendMask()) {
                state.second->destroyBlendMask();
            }
        }
    }
    setObject(nullptr, true);
    if (mFadeMaterial) {
        fadeMaterialUsers().erase(mFadeMaterial->getName());
    }
    // The fade material stays registered by name, for a later object of the same names.
    mFadeMaterial.reset();
    graphics().getSceneManager()->destroyEntity(mEntity);
    mEntity = nullptr;
}

void MeshObject::childDetaching(Hierarchical* child)
{
    RenderableObject::childDetaching(child);
    if (child && child == mBodyChild) {
        mBody = nullptr;
        mBodyChild = nullptr;
        mBodyLeadsNode = false;
    }
}

bool MeshObject::removeChild(Hierarchical* child)
{
    if (!RenderableObject::removeChild(child)) {
        return false;
    }
    if (child == mBodyChild) {
        mBody = nullptr;
        mBodyChild = nullptr;
        mBodyLeadsNode = false;
    }
    return true;
}

bool MeshObject::addChildAsBody(MeshBody* body)
{
    bool replaced = false;
    if (mBody) {
        Hierarchical* old = mBodyChild;
        mBody = nullptr;
        mBodyChild = nullptr;
        mBodyLeadsNode = false;
        replaced = GameObject::removeChild(old);
    }
    if (!body) {
        return replaced;
    }
    mBody = body;
    mBodyChild = &body->_getBodyHierarchical();
    mBodyLeadsNode = body->_leadsSceneNode();
    if (!GameObject::addChild(mBodyChild)) {
        return false;
    }
    return replaced;
}

void MeshObject::frame(float seconds)
{
    RenderableObject::frame(seconds);
    if (!mFadeRunning) {
        return;
    }
    // A negative frame time steps back, but not before the fade's beginning.
    mFadeElapsed = std::max(0.0f, mFadeElapsed + seconds);
    const float alpha = mFadeDuration > mFadeElapsed
        ? mFadeStartAlpha + mFadeElapsed * ((mFadeTargetAlpha - mFadeStartAlpha) / mFadeDuration)
        : mFadeTargetAlpha;
    setMaterialAlpha(alpha);
    if (mFadeElapsed >= mFadeDuration) {
        mFadeRunning = false;
    }
}

void MeshObject::setPosition(const Ogre::Vector3& position)
{
    SceneValueCheck::requireBounded(position, "The position");
    if (movesBody()) {
        mBody->_getBodyTransformable().setPosition(position);
    } else {
        RenderableObject::setPosition(position);
    }
}

void MeshObject::translate(const Ogre::Vector3& offset)
{
    SceneValueCheck::requireFinite(offset, "The offset");
    if (movesBody()) {
        mBody->_getBodyTransformable().translate(offset);
    } else {
        RenderableObject::translate(offset);
    }
}

void MeshObject::setOrientation(const Ogre::Quaternion& orientation)
{
    SceneValueCheck::requireOrientation(orientation, "The orientation");
    if (movesBody()) {
        mBody->_getBodyTransformable().setOrientation(orientation);
    } else {
        RenderableObject::setOrientation(orientation);
    }
}

void MeshObject::rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space)
{
    SceneValueCheck::requireFinite(axis, "The rotation axis");
    SceneValueCheck::requireFinite(degrees, "The rotation angle");
    if (movesBody()) {
        mBody->_getBodyTransformable().rotate(axis, degrees, space);
    } else {
        RenderableObject::rotate(axis, degrees, space);
    }
}

Ogre::SubEntity* MeshObject::findSubEntity(const std::string& subMeshName) const
{
    if (subMeshName.empty()) {
        return mEntity->getNumSubEntities() > 0 ? mEntity->getSubEntity(0) : nullptr;
    }
    // The rendering engine throws for a name it does not know.
    const Ogre::Mesh::SubMeshNameMap& names = mEntity->getMesh()->getSubMeshNameMap();
    const auto found = names.find(subMeshName);
    return found == names.end() ? nullptr : mEntity->getSubEntity(found->second);
}

Ogre::SubEntity* MeshObject::requireSubEntity(const std::string& subMeshName) const
{
    Ogre::SubEntity* sub = findSubEntity(subMeshName);
    if (!sub) {
        throw NotFoundException("The mesh has no sub-mesh named '" + subMeshName + "'.");
    }
    return sub;
}

bool MeshObject::isVisible(const std::string& subMeshName) const
{
    return requireSubEntity(subMeshName)->isVisible();
}

void MeshObject::setVisible(bool visible, const std::string& subMeshName)
{
    requireSubEntity(subMeshName)->setVisible(visible);
}

void MeshObject::setRenderType(RenderType type)
{
    // The value is the render queue group; the rendering engine aborts on a group past its last.
    switch (type) {
    case RT_SKY:
    case RT_STENCIL:
    case RT_CLIP:
    case RT_STENCILLED_CLIPPED:
    case RT_NORMAL:
        break;
    default:
        throw InvalidArgumentException("Unknown render type " + std::to_string(static_cast<int>(type)) + ".");
    }
    mRenderType = type;
    mEntity->setRenderQueueGroup(static_cast<Ogre::uint8>(type));
}

Ogre::AxisAlignedBox MeshObject::getBoundingBox() const
{
    return mEntity->getBoundingBox();
}

void MeshObject::setBoundingBox(const Ogre::AxisAlignedBox& box)
{
    // The mesh's bounding radius and every culling test are computed from the corners, times the
    // world scale of each entity of the mesh: with both within 1e15 the product stays finite.
    if (!box.isNull()) {
        if (box.isInfinite()) {
            throw InvalidArgumentException("The bounding box must be finite.");
        }
        SceneValueCheck::requireBounded(box.getMinimum(), "The bounding box's minimum");
        SceneValueCheck::requireBounded(box.getMaximum(), "The bounding box's maximum");
    }
    mEntity->getMesh()->_setBounds(box, true);
}

bool MeshObject::getShadowCast() const
{
    return mEntity->getCastShadows();
}

void MeshObject::setShadowCast(bool cast)
{
    mEntity->setCastShadows(cast);
}

bool MeshObject::isAnimated() const
{
    return mEntity->getAllAnimationStates() != nullptr;
}

Ogre::AnimationState* MeshObject::getAnimationState(const std::string& animationName) const
{
    try {
        return mEntity->getAnimationState(animationName);
    } catch (const Ogre::ItemIdentityException&) {
        throw InvalidArgumentException("Animation does not exist.");
    }
}

void MeshObject::selectAnimation(const std::string& animationName, bool disablePrevious)
{
    if (mSelectedAnimation) {
        if (disablePrevious) {
            mSelectedAnimation->setEnabled(false);
        }
        mSelectedAnimation = nullptr;
    }
    Ogre::AnimationState* state = getAnimationState(animationName);
    mSelectedAnimation = state;
    state->setEnabled(true);
}

bool MeshObject::isAnimationLooped() const
{
    if (!mSelectedAnimation) {
        logWarning("Warning: Animation loop-state requested with no set animation.");
        return false;
    }
    return mSelectedAnimation->getLoop();
}

void MeshObject::setAnimationLooped(bool looped)
{
    if (!mSelectedAnimation) {
        logWarning(NO_LOOP_ANIMATION);
        return;
    }
    mSelectedAnimation->setLoop(looped);
}

void MeshObject::advanceAnimation(float time, bool increment)
{
    if (!mSelectedAnimation) {
        logWarning("Warning: Animation-time advancement requested with no animation selected.");
        return;
    }
    if (increment) {
        mSelectedAnimation->addTime(time);
    } else {
        mSelectedAnimation->setTimePosition(time);
    }
}

bool MeshObject::isAnimationFinished() const
{
    if (!mSelectedAnimation) {
        logWarning(NO_LOOP_ANIMATION);
        return true;
    }
    return mSelectedAnimation->hasEnded();
}

void MeshObject::enableAnimationPerBoneBlending(const std::string& animationName, float weight)
{
    if (!mEntity->hasSkeleton()) {
        throw NotFoundException(NO_SKELETON);
    }
    Ogre::AnimationState* state = getAnimationState(animationName);
    if (!state->hasBlendMask()) {
        state->createBlendMask(mEntity->getSkeleton()->getNumBones(), weight);
        // The rendering engine would not apply the new weights until the animation changed.
        state->getParent()->_notifyDirty();
    }
}

void MeshObject::setAnimationBoneWeight(const std::string& animationName, const std::string& boneName, float weight)
{
    if (!mEntity->hasSkeleton()) {
        throw NotFoundException(NO_SKELETON);
    }
    Ogre::AnimationState* state = getAnimationState(animationName);
    if (!state->hasBlendMask()) {
        throw IllegalStateException("No per-bone blending enabled on this animation.");
    }
    Ogre::SkeletonInstance* skeleton = mEntity->getSkeleton();
    for (unsigned short i = 0; i < skeleton->getNumBones(); ++i) {
        if (skeleton->getBone(i)->getName() == boneName) {
            state->setBlendMaskEntry(i, weight);
            return;
        }
    }
    throw NotFoundException(NO_BONE);
}

void MeshObject::disableAnimationPerBoneBlending(const std::string& animationName)
{
    if (!mEntity->hasSkeleton()) {
        throw NotFoundException(NO_SKELETON);
    }
    Ogre::AnimationState* state = getAnimationState(animationName);
    if (state->hasBlendMask()) {
        state->destroyBlendMask();
        state->getParent()->_notifyDirty();
    }
}

void MeshObject::disableAnimation(const std::string& animationName)
{
    Ogre::AnimationState* state = getAnimationState(animationName);
    state->setEnabled(false);
    if (state == mSelectedAnimation) {
        mSelectedAnimation = nullptr;
    }
}

void MeshObject::disableAllAnimations()
{
    Ogre::AnimationStateSet* states = mEntity->getAllAnimationStates();
    if (!states) {
        return;
    }
    // Disabling a state takes it off the list being walked.
    const Ogre::EnabledAnimationStateList& enabledList = states->getEnabledAnimationStates();
    const std::vector<Ogre::AnimationState*> enabled(enabledList.begin(), enabledList.end());
    for (Ogre::AnimationState* state : enabled) {
        state->setEnabled(false);
    }
}

Ogre::Bone* MeshObject::getBone(const std::string& boneName) const
{
    if (!mEntity->hasSkeleton()) {
        throw NotFoundException(NO_SKELETON);
    }
    Ogre::SkeletonInstance* skeleton = mEntity->getSkeleton();
    for (unsigned short i = 0; i < skeleton->getNumBones(); ++i) {
        Ogre::Bone* bone = skeleton->getBone(i);
        if (bone->getName() == boneName) {
            return bone;
        }
    }
    throw NotFoundException(NO_BONE);
}

void MeshObject::attachObjectToBone(
    const std::string& boneName, GameObject* object, const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    if (!object) {
        throw InvalidArgumentException("Attempt to attach no object to a bone.");
    }
    // Applied to the object on every frame, where no caller could catch the refusal.
    SceneValueCheck::requireBounded(position, "The offset from the bone");
    SceneValueCheck::requireOrientation(orientation, "The orientation on the bone");
    Ogre::Bone* bone = getBone(boneName);
    SkeletonAttachment attachment;
    attachment.bone = bone;
    attachment.position = position;
    attachment.orientation = orientation;
    attachment.object = object;
    // Placed before anything is recorded: a place the object refuses refuses the attach, which
    // would otherwise be refused again in every frame, where no caller could catch it.
    placeOnBone(bone, attachment);
    for (const auto& entry : mAttachments) {
        if (entry.second.object == object) {
            logWarning("Warning: Request to attch object already attached to a bone. Removing.");
            detachObjectFromBone(object);
            break;
        }
    }
    mAttachments.emplace(bone, attachment);
    object->_addWatcher(this);
    bone->setListener(this);
}

void MeshObject::detachObjectFromBone(GameObject* object)
{
    for (auto it = mAttachments.begin(); it != mAttachments.end(); ++it) {
        if (it->second.object == object) {
            const Ogre::Node* bone = it->first;
            mAttachments.erase(it);
            object->_removeWatcher(this);
            releaseBone(bone);
            return;
        }
    }
    logWarning("Warning: Attempt to detach object from bone that is not attached.");
}

void MeshObject::gameObjectDestroyed(GameObject* object)
{
    for (auto it = mAttachments.begin(); it != mAttachments.end();) {
        if (it->second.object == object) {
            const Ogre::Node* bone = it->first;
            it = mAttachments.erase(it);
            releaseBone(bone);
        } else {
            ++it;
        }
    }
}

void MeshObject::releaseBone(const Ogre::Node* bone)
{
    if (mAttachments.count(bone) == 0 && bone->getListener() == this) {
        const_cast<Ogre::Node*>(bone)->setListener(nullptr);
    }
}

void MeshObject::nodeUpdated(const Ogre::Node* node)
{
    const auto range = mAttachments.equal_range(node);
    if (range.first == range.second) {
        return;
    }
    for (auto it = range.first; it != range.second; ++it) {
        SkeletonAttachment& attachment = it->second;
        try {
            placeOnBone(node, attachment);
        } catch (const std::exception&) {
            // Called from inside the render pass: a throw would end the game.
            if (!attachment.refusalWarned) {
                attachment.refusalWarned = true;
                logWarning("Warning: An object that follows a bone would leave the world bounds there; it stays "
                           "where it was.");
            }
        }
    }
}

void MeshObject::placeOnBone(const Ogre::Node* bone, const SkeletonAttachment& attachment)
{
    const Ogre::Quaternion boneOrientation = bone->_getDerivedOrientation();
    GameObject* object = attachment.object;
    const Ogre::Vector3 before = object->getPosition();
    object->setPosition(boneOrientation * attachment.position + bone->_getDerivedPosition());
    try {
        object->setOrientation(boneOrientation * attachment.orientation);
    } catch (...) {
        object->setPosition(before);
        throw;
    }
}

void MeshObject::setMaterialName(const std::string& materialName, const std::string& subMeshName)
{
    Ogre::SubEntity* sub = findSubEntity(subMeshName);
    if (!sub) {
        logWarning("Warning: Attempt to set material on empty mesh or invalid submesh.");
        return;
    }
    mBaseMaterialName = materialName;
    sub->setMaterialName(materialName);
    if (mFadeEnabled && sub == mEntity->getSubEntity(0)) {
        // The fade material is a copy of the first sub-entity's material: copy the new one.
        teardownFade();
        mFadeEnabled = false;
        setupFade();
        mFadeEnabled = true;
    }
}

void MeshObject::setCustomParameter(
    unsigned int paramIndex, float p0, float p1, float p2, float p3, unsigned int subEntityIndex)
{
    if (subEntityIndex >= mEntity->getNumSubEntities()) {
        logWarning("Warning: Attempt to set a custom parameter for non-existent mesh.");
        return;
    }
    mEntity->getSubEntity(subEntityIndex)->setCustomParameter(paramIndex, Ogre::Vector4(p0, p1, p2, p3));
}

Ogre::Vector4 MeshObject::getCustomParameter(unsigned int paramIndex, unsigned int subEntityIndex) const
{
    if (subEntityIndex >= mEntity->getNumSubEntities()) {
        logWarning("Warning: Attempt to retrieve custom parameter for non-existent mesh.");
        return Ogre::Vector4::ZERO;
    }
    return mEntity->getSubEntity(subEntityIndex)->getCustomParameter(paramIndex);
}

void MeshObject::setFadeEnabled(bool enabled)
{
    if (enabled && !mFadeEnabled) {
        setupFade();
    } else if (!enabled && mFadeEnabled) {
        teardownFade();
    }
    mFadeEnabled = enabled;
}

void MeshObject::setupFade()
{
    if (mEntity->getNumSubEntities() == 0) {
        return;
    }
    const std::string name = mEntity->getName() + "_" + mBaseMaterialName + "_fade";
    std::map<std::string, const MeshObject*>& users = fadeMaterialUsers();
    const auto user = users.find(name);
    if (user != users.end() && user->second != this) {
        // Two names can join to the same text ("a_b" with "c", "a" with "b_c"); sharing the
        // material would fade both objects together.
        throw InvalidArgumentException("The fade material '" + name + "' is in use by another mesh object.");
    }
    Ogre::MaterialPtr material = graphics().getMaterial(name);
    if (!material) {
        material = mEntity->getSubEntity(0)->getMaterial()->clone(name);
        // Loading compiles the copy, which fills its list of supported techniques.
        material->load();
        for (Ogre::Technique* technique : material->getSupportedTechniques()) {
            for (Ogre::Pass* pass : technique->getPasses()) {
                if (pass->getSourceBlendFactor() == Ogre::SBF_ONE && pass->getDestBlendFactor() == Ogre::SBF_ZERO) {
                    pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
                    pass->setDepthWriteEnabled(false);
                }
            }
        }
    }
    mFadeMaterial = material;
    users[name] = this;
    mEntity->setMaterial(mFadeMaterial);
}

void MeshObject::teardownFade()
{
    if (mFadeMaterial) {
        fadeMaterialUsers().erase(mFadeMaterial->getName());
    }
    mEntity->setMaterialName(mBaseMaterialName);
    mFadeMaterial.reset();
}

void MeshObject::setMaterialAlpha(float alpha)
{
    for (std::size_t i = 0; i < mEntity->getNumSubEntities(); ++i) {
        const Ogre::MaterialPtr& material = mEntity->getSubEntity(i)->getMaterial();
        if (material) {
            tolva::setMaterialAlpha(*material, alpha);
        }
    }
}

void MeshObject::fade(float duration, float from, float to)
{
    if (!mFadeEnabled) {
        return;
    }
    mFadeElapsed = 0.0f;
    mFadeStartAlpha = from;
    mFadeTargetAlpha = to;
    if (!(duration > 0.0f) || std::isinf(duration)) {
        // No time to fade in: the target at once, not a division by zero in the next frame. An
        // endless fade would never get there: it lands at once too.
        mFadeDuration = 0.0f;
        mFadeRunning = false;
        setMaterialAlpha(to);
        return;
    }
    mFadeDuration = duration;
    // A not-a-number value counts as different.
    mFadeRunning = !(from == to);
    setMaterialAlpha(from);
}

void MeshObject::setAlpha(float alpha)
{
    if (mFadeEnabled) {
        setMaterialAlpha(alpha);
    }
}

float MeshObject::getDistanceFadeAlpha(const Ogre::Vector3& viewpoint) const
{
    const float distance = viewpoint.distance(getWorldPosition());
    const float span = mFadeFinishDistance - mFadeStartDistance;
    if (span == 0.0f) {
        return distance <= mFadeStartDistance ? 1.0f : 0.0f;
    }
    float ratio = (distance - mFadeStartDistance) / span;
    if (ratio > 1.0f) {
        ratio = 1.0f;
    }
    if (!(ratio > 0.0f)) {
        ratio = 0.0f;
    }
    return 1.0f - ratio;
}

} // namespace tolva
