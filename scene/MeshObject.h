// A renderable object that shows a mesh: it makes the entity, chooses the render queue group it
// is drawn in (its render type), selects, advances and blends skeletal animations, moves other
// game objects with the bones of its skeleton, sets materials and shader parameters, and fades.
//
// Animations: the selected animation is the one advanced, looped and asked about; enabling
// further ones blends them cumulatively (they add up), optionally weighted per bone. Animations
// advance only through advanceAnimation.
//
// Bones: an object attached to a bone takes the bone's pose in the mesh's own space (plus an
// offset) whenever the bone is updated, so it is normally a child of this mesh object. The mesh
// forgets attachments of objects that are destroyed, and attached objects stay where they are
// when the mesh goes.
//
// Body: a physical object added with addChildAsBody hangs on the node; when it has a rigid body
// (which the node then follows), the position and orientation setters move the body.
//
// Fading works on a copy of the mesh's material, made when fading is enabled and named
// "<entity>_<material>_fade", in which opaque passes blend by alpha. A timed fade moves the alpha
// linearly in the game's frames; a distance fade, applied by the graphics module while the mesh
// is rendered, makes it transparent between the fade start and finish distances from the camera.
#pragma once

#include <OgreAxisAlignedBox.h>
#include <OgreMaterial.h>
#include <OgreNode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <map>
#include <string>

#include "scene/RenderableObject.h"

namespace Ogre {
class AnimationState;
class Bone;
class Entity;
class SubEntity;
} // namespace Ogre

namespace tolva {

class MeshBody;

class MeshObject : public RenderableObject, public Ogre::Node::Listener, private GameObject::Watcher {
public:
    /// The render queue group of the entity.
    enum RenderType {
        /// Drawn before every other group here.
        RT_SKY = 5,
        /// Writes the stencil mask.
        RT_STENCIL = 10,
        RT_CLIP = 20,
        /// Shows only where a stencil writer drew in the same frame.
        RT_STENCILLED_CLIPPED = 30,
        RT_NORMAL = 50
    };

    /// An object that follows a bone, at an offset in the bone's space.
    struct SkeletonAttachment {
        const Ogre::Bone* bone = nullptr;
        Ogre::Vector3 position = Ogre::Vector3::ZERO;
        Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
        GameObject* object = nullptr;
        /// Set once a follow was refused and its warning written: one line, not one per frame.
        bool refusalWarned = false;
    };
    /// By the bone's node.
    typedef std::multimap<const Ogre::Node*, SkeletonAttachment> SkeletonAttachmentMap;

    /// An entity named name of the mesh resource meshName, on a new node.
    /// @throws InvalidArgumentException when an entity of that name exists; the rendering
    ///         engine's exception for a missing mesh passes on
    MeshObject(const std::string& name, const std::string& meshName);
    /// Destroys the entity; objects attached to bones stay where they are.
    ~MeshObject() override;

    void childDetaching(Hierarchical* child) override;
    bool removeChild(Hierarchical* child) override;
    /// Advances a running timed fade.
    void frame(float seconds) override;
    bool needsFrames() const override { return true; }
    void setPosition(const Ogre::Vector3& position) override;
    void translate(const Ogre::Vector3& offset) override;
    void setOrientation(const Ogre::Quaternion& orientation) override;
    using RenderableObject::rotate;
    void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space) override;

    using RenderableObject::isVisible;
    using RenderableObject::setVisible;
    /// @throws NotFoundException when the mesh has no sub-mesh of that name
    virtual bool isVisible(const std::string& subMeshName) const;
    virtual void setVisible(bool visible, const std::string& subMeshName);

    RenderType getRenderType() const { return mRenderType; }
    /// @throws InvalidArgumentException for a value that is none of the render types
    void setRenderType(RenderType type);
    Ogre::Entity* getMesh() const { return mEntity; }
    Ogre::AxisAlignedBox getBoundingBox() const;
    /// Sets the bounds of the mesh resource: every entity of that mesh is affected. A null box is
    /// taken as it is.
    /// @throws InvalidArgumentException for an infinite box or a corner beyond 1e15 (nothing changed)
    void setBoundingBox(const Ogre::AxisAlignedBox& box);
    bool getShadowCast() const;
    void setShadowCast(bool cast);

    virtual bool isBodyAttached() const { return mBody != nullptr; }
    virtual MeshBody* getBody() const { return mBody; }
    /// Replaces the body: the old one is removed as a child, the new one (null: none) added.
    /// @return false when the new body could not be added (it stays recorded); otherwise whether
    ///         an old body was replaced
    virtual bool addChildAsBody(MeshBody* body);

    /// Whether the entity has animation states.
    virtual bool isAnimated() const;
    /// @throws InvalidArgumentException "Animation does not exist."
    virtual Ogre::AnimationState* getAnimationState(const std::string& animationName) const;
    /// Drops the selected animation (disabling it when asked), then selects and enables the named
    /// one; its time and loop flag stay as they are.
    /// @throws InvalidArgumentException "Animation does not exist." (nothing is selected then)
    virtual void selectAnimation(const std::string& animationName, bool disablePrevious);
    virtual bool isAnimationLooped() const;
    virtual void setAnimationLooped(bool looped);
    /// Adds the time (seconds) to the selected animation, or sets its time position.
    virtual void advanceAnimation(float time, bool increment);
    /// True also when no animation is selected (after a warning).
    virtual bool isAnimationFinished() const;
    /// Gives the animation a per-bone weight mask, every bone at the weight; an existing mask
    /// stays as it is.
    /// @throws NotFoundException "The mesh does not have a skeleton."
    virtual void enableAnimationPerBoneBlending(const std::string& animationName, float weight);
    /// @throws IllegalStateException "No per-bone blending enabled on this animation."
    /// @throws NotFoundException for a mesh without skeleton or a bone that does not exist
    virtual void setAnimationBoneWeight(const std::string& animationName, const std::string& boneName, float weight);
    /// @throws NotFoundException for a mesh without skeleton (before the animation is looked up)
    virtual void disableAnimationPerBoneBlending(const std::string& animationName);
    /// Deselects it when it was selected.
    virtual void disableAnimation(const std::string& animationName);
    /// The selected animation stays selected, disabled.
    virtual void disableAllAnimations();

    /// @throws NotFoundException "The mesh does not have a skeleton." or "The requested bone does
    ///         not exist within the skeleton."
    Ogre::Bone* getBone(const std::string& boneName) const;
    /// The object follows the bone from now on, offset in the bone's space, and is placed at
    /// once. An object attached to a bone of this mesh already leaves that one first.
    /// @throws InvalidArgumentException for a null object, or a place on the bone the object's
    ///         own setters refuse (beyond the world bounds): nothing changes then; getBone's
    ///         exceptions
    void attachObjectToBone(const std::string& boneName, GameObject* object,
        const Ogre::Vector3& position = Ogre::Vector3::ZERO,
        const Ogre::Quaternion& orientation = Ogre::Quaternion::IDENTITY);
    void detachObjectFromBone(GameObject* object);
    const SkeletonAttachmentMap& getSkeletonAttachments() const { return mAttachments; }
    /// Places the objects attached to the bone (the rendering engine calls it for each updated
    /// bone this mesh listens to, inside its render pass). A place the object refuses leaves it
    /// where it was, with one warning per attachment; nothing is thrown.
    void nodeUpdated(const Ogre::Node* node) override;

    /// The material of the named sub-mesh (empty: the first). The name also becomes the base
    /// material that the fade copies.
    void setMaterialName(const std::string& materialName, const std::string& subMeshName = std::string());
    /// A four-float parameter read by GPU programs, created or replaced.
    void setCustomParameter(
        unsigned int paramIndex, float p0, float p1, float p2, float p3, unsigned int subEntityIndex = 0);
    /// The zero vector (after a warning) for a sub-entity that does not exist; the rendering
    /// engine's exception for a parameter that was never set passes on.
    Ogre::Vector4 getCustomParameter(unsigned int paramIndex, unsigned int subEntityIndex = 0) const;
    const std::string& getBaseMaterialName() const { return mBaseMaterialName; }

    virtual bool isFadeEnabled() const { return mFadeEnabled; }
    /// Enabling puts the fade material on the whole entity (made on first use), disabling puts
    /// the base material back on every sub-entity.
    /// @throws InvalidArgumentException when another mesh object's fade material has that name
    virtual void setFadeEnabled(bool enabled);
    virtual bool isFadeRunning() const { return mFadeRunning; }
    /// Sets the alpha to from at once and moves it to to over duration seconds; a duration of
    /// zero or less ends at once at to. Nothing while fading is disabled.
    virtual void fade(float duration, float from, float to);
    /// Nothing while fading is disabled; a running fade overwrites it in its next frame.
    virtual void setAlpha(float alpha);
    virtual bool isDistanceFadeRunning() const { return mDistanceFade; }
    /// Works only while fading is enabled.
    virtual void setDistanceFadeEnabled(bool enabled) { mDistanceFade = enabled; }
    virtual float getFadeStartDistance() const { return mFadeStartDistance; }
    virtual float getFadeFinishDistance() const { return mFadeFinishDistance; }
    virtual void setFadeStartDistance(float distance) { mFadeStartDistance = distance; }
    virtual void setFadeFinishDistance(float distance) { mFadeFinishDistance = distance; }
    /// The distance fade's alpha seen from the point: 1 up to the start distance, 0 from the
    /// finish distance on, linear between (with equal distances: 1 up to them, 0 beyond).
    float getDistanceFadeAlpha(const Ogre::Vector3& viewpoint) const;
    /// Null while fading is disabled.
    const Ogre::MaterialPtr& getFadeMaterial() const { return mFadeMaterial; }

private:
    void gameObjectDestroyed(GameObject* object) override;
    /// Stops listening to the bone when nothing follows it any more.
    void releaseBone(const Ogre::Node* bone);
    /// Moves the object to its place on the bone, or throws its setters' refusal leaving it
    /// where it was.
    static void placeOnBone(const Ogre::Node* bone, const SkeletonAttachment& attachment);
    Ogre::SubEntity* findSubEntity(const std::string& subMeshName) const;
    Ogre::SubEntity* requireSubEntity(const std::string& subMeshName) const;
    bool movesBody() const { return mBody && mBodyLeadsNode; }
    void setupFade();
    void teardownFade();
    void setMaterialAlpha(float alpha);

    RenderType mRenderType = RT_NORMAL;
    Ogre::Entity* mEntity = nullptr;
    Ogre::AnimationState* mSelectedAnimation = nullptr;
    std::string mBaseMaterialName;
    SkeletonAttachmentMap mAttachments;

    bool mFadeEnabled = false;
    Ogre::MaterialPtr mFadeMaterial;
    bool mFadeRunning = false;
    float mFadeDuration = 0.0f;
    float mFadeElapsed = 0.0f;
    float mFadeStartAlpha = 0.0f;
    float mFadeTargetAlpha = 1.0f;
    bool mDistanceFade = false;
    float mFadeStartDistance = 500.0f;
    float mFadeFinishDistance = 550.0f;

    MeshBody* mBody = nullptr;
    /// The body as a child: compared with children that leave, also while the body is being
    /// destroyed and can no longer be asked.
    Hierarchical* mBodyChild = nullptr;
    bool mBodyLeadsNode = false;
};

} // namespace tolva
