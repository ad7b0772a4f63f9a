// A ribbon trail: a billboard chain that leaves a fading trail behind this object's node as it
// moves. The trail hangs on a node of its own under the scene's root (it is drawn in world
// space); its length follows the object's world scale along z, its width the scale along y.
// Colours and widths act on the first chain.
//
// The rendering engine follows a moving node in steps of one element (length / maximum elements)
// within a single frame: a far jump, or a step too small to change a far position in floats, would
// never end that walk. The trail therefore listens to its node itself and hands on only the moves
// of at most the trail's length. A longer move only keeps its end: the trail lays its elements one
// step apart along that end itself, as the walk would have left them, so a fast object still draws
// its whole trail. Where a step cannot change a far position at all, the trail starts afresh at
// the node's new place.
#pragma once

#include <OgreColourValue.h>
#include <OgreNode.h>

#include "scene/BillboardChainEffect.h"

namespace Ogre {
class RibbonTrail;
class SceneNode;
} // namespace Ogre

namespace tolva {

class RibbonTrailEffect : public BillboardChainEffect, private Ogre::Node::Listener {
public:
    /// An unknown material gives a warning and leaves the trail's default material.
    /// @throws InvalidArgumentException when a ribbon trail of that name exists
    RibbonTrailEffect(const std::string& name, const std::string& materialName);
    /// Destroys the trail and its node.
    ~RibbonTrailEffect() override;

    Ogre::RibbonTrail* getTrail() const { return mTrail; }

    /// @throws InvalidArgumentException (nothing changed) when the applied length would not be
    /// positive and finite, or its element step (length / maximum elements) zero or denormal
    void setScale(const Ogre::Vector3& scale) override;
    void scale(const Ogre::Vector3& factors) override;

    /// The applied length: the length given times the world scale along z.
    float getLength() const;
    /// @throws InvalidArgumentException as setScale
    void setLength(float length);
    /// The applied width of the first chain: the width given times the world scale along y.
    float getInitialWidth() const;
    void setInitialWidth(float width);
    Ogre::ColourValue getInitialColour() const;
    void setInitialColour(const Ogre::ColourValue& colour);
    void setInitialColour(float red, float green, float blue, float alpha);
    /// Change per second.
    Ogre::ColourValue getColourChange() const;
    void setColourChange(const Ogre::ColourValue& change);
    void setColourChange(float red, float green, float blue, float alpha);
    /// Change per second.
    float getWidthChange() const;
    void setWidthChange(float change);

private:
    /// The node's listener: called by the rendering engine whenever the node's world place changes.
    void nodeUpdated(const Ogre::Node* node) override;
    void nodeDestroyed(const Ogre::Node* node) override;
    /// HEAD: only the head moves to the node's place, as the rendering engine's walk would move it.
    enum class Follow { WALK, HEAD, LAY, RESTART };
    /// How the trail reaches place (in its own space) from the element behind its head, from: the
    /// rendering engine's walk for a move it ends in a bounded number of steps that each advance.
    Follow howToFollow(const Ogre::Vector3& from, const Ogre::Vector3& place) const;
    /// Replaces the chain's elements with a full trail along the end of the move from from to
    /// place, the head at place.
    void layTrail(const Ogre::Vector3& from, const Ogre::Vector3& place, size_t chain, const Ogre::Node* node);
    /// Starts the trail afresh at the node's place, listening to the node again.
    void restartTrail();
    /// The rendering engine restarts every trail at its node's place in the trail's space, which
    /// it cannot reach while that space's scale counts as zero: the trail then stays where it was.
    void resizeChains(const std::function<void()>& resize) override;
    /// Whether the trail's own node has a world scale that places can be divided by.
    bool canPlaceInTrailSpace() const;
    /// Applies the length and width at the current world scale; when either would leave what the
    /// trail can take, puts the scale back and throws InvalidArgumentException.
    void applyScaleOrRestore(const Ogre::Vector3& before);

    Ogre::RibbonTrail* mTrail = nullptr;
    Ogre::SceneNode* mTrailNode = nullptr;
    float mLength = 0.0f;
    float mInitialWidth = 0.0f;
};

} // namespace tolva
