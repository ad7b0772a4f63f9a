#include "scene/RibbonTrailEffect.h"

#include <OgreRibbonTrail.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/Engine.h"
#include "scene/Graphics.h"
#include "scene/SceneNames.h"
#include "scene/SceneValueCheck.h"

#include "core/Exceptions.h"

namespace tolva {

namespace {

// The trail cuts its length into elements of length / maximum elements and walks a moving node's
// path in steps of one element: a length that is not positive and finite, or a step that is zero
// or denormal, never ends that walk.
float requireTrailLength(float length, size_t maxElements)
{
    if (!(length > 0.0f) || !std::isfinite(length) || !(length / float(maxElements) >= FLT_MIN)) {
        throw InvalidArgumentException("A ribbon trail's length must be positive and finite, and its element step "
                                       "(length / maximum elements) normal (scale included).");
    }
    return length;
}

/// A step advances a float position only when it is a few units in its last place; this margin
/// also keeps the walk within the element count despite rounding.
const float STEP_MARGIN = 8.0f * FLT_EPSILON;

} // namespace

RibbonTrailEffect::RibbonTrailEffect(const std::string& name, const std::string& materialName)
    : BillboardChainEffect(nullptr)
{
    Graphics* graphics = Engine::getInstance()->getGraphics();
    Ogre::SceneManager* scene = graphics->getSceneManager();
    requireFreeName(scene->hasRibbonTrail(name), "ribbon trail", name);
    mTrail = dynamic_cast<Ogre::RibbonTrail*>(
        scene->createMovableObject(name, Ogre::RibbonTrailFactory::FACTORY_TYPE_NAME));
    setChain(mTrail, false);
    mTrailNode = graphics->createNode();
    // The trail starts at the node's world place: attached afterwards, it is not placed through
    // its node's world scale, which a script may have made unusable (see nodeUpdated).
    mTrail->addNode(mNode);
    mNode->setListener(this);
    mTrailNode->attachObject(mTrail);
    setChainMaterial("Ribbon Trail", name, materialName);
    mLength = mTrail->getTrailLength();
    mInitialWidth = mTrail->getInitialWidth(0);
}

RibbonTrailEffect::~RibbonTrailEffect()
{
    setChain(nullptr, true);
    // Also takes the listener (this object) off the node.
    mTrail->removeNode(mNode);
    mTrailNode->detachObject(mTrail);
    Ogre::SceneManager* scene = Engine::getInstance()->getGraphics()->getSceneManager();
    scene->destroySceneNode(mTrailNode);
    scene->destroyMovableObject(mTrail);
}

void RibbonTrailEffect::setScale(const Ogre::Vector3& scale)
{
    const Ogre::Vector3 before = getScale();
    BillboardChainEffect::setScale(scale);
    applyScaleOrRestore(before);
}

void RibbonTrailEffect::scale(const Ogre::Vector3& factors)
{
    const Ogre::Vector3 before = getScale();
    BillboardChainEffect::scale(factors);
    applyScaleOrRestore(before);
}

void RibbonTrailEffect::applyScaleOrRestore(const Ogre::Vector3& before)
{
    const Ogre::Vector3 worldScale = getWorldScale();
    const float length = mLength * worldScale.z;
    const float width = mInitialWidth * worldScale.y;
    if (!(length > 0.0f) || !std::isfinite(length) || !(length / float(mTrail->getMaxChainElements()) >= FLT_MIN)
        || !std::isfinite(width)) {
        BillboardChainEffect::setScale(before);
        requireTrailLength(length, mTrail->getMaxChainElements());
        SceneValueCheck::requireFinite(width, "A ribbon trail's width (scale included)");
    }
    mTrail->setTrailLength(length);
    mTrail->setInitialWidth(0, width);
}

RibbonTrailEffect::Follow RibbonTrailEffect::howToFollow(const Ogre::Vector3& from, const Ogre::Vector3& place) const
{
    const float step = mTrail->getTrailLength() / float(mTrail->getMaxChainElements());
    const auto magnitude = [](const Ogre::Vector3& v) {
        return std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
    };
    const float distance = from.distance(place);
    if (!std::isfinite(distance)) {
        return Follow::RESTART;
    }
    // A move within one step only moves the head. The rendering engine tells such a move by
    // comparing squares: where the step's square is zero in floats, it takes a move whose square is
    // zero for a whole step and divides by that move's length.
    if (distance < step) {
        return step * step > 0.0f ? Follow::WALK : Follow::HEAD;
    }
    // Laid elements only need steps that tell places apart around the node's new place.
    if (step < magnitude(place) * STEP_MARGIN) {
        return Follow::RESTART;
    }
    if (distance > mTrail->getTrailLength() || step < magnitude(from) * STEP_MARGIN) {
        return Follow::LAY;
    }
    return Follow::WALK;
}

void RibbonTrailEffect::layTrail(
    const Ogre::Vector3& from, const Ogre::Vector3& place, size_t chain, const Ogre::Node* node)
{
    const size_t elements = mTrail->getMaxChainElements();
    const Ogre::Vector3 back = (from - place).normalisedCopy() * (mTrail->getTrailLength() / float(elements));
    const Ogre::Quaternion orientation = node->_getDerivedOrientation();
    // Each element added becomes the head, the farthest first; once the chain is full each one
    // takes the place of its oldest, so all the chain holds afterwards is laid here. (Clearing
    // the chain would restart it at the node, which the rendering engine places itself.)
    for (size_t element = elements; element-- > 0;) {
        mTrail->addChainElement(chain,
            Ogre::BillboardChain::Element(place + back * float(element), mTrail->getInitialWidth(chain), 0.0f,
                mTrail->getInitialColour(chain), orientation));
    }
}

void RibbonTrailEffect::restartTrail()
{
    mTrail->removeNode(mNode);
    mTrail->addNode(mNode);
    mNode->setListener(this);
}

bool RibbonTrailEffect::canPlaceInTrailSpace() const
{
    // Asked from the followed node's update, before the trail's own node has caught up with a
    // change above it: its world scale is worked out from its parent's.
    const Ogre::Node* parent = mTrailNode->getParent();
    const Ogre::Vector3 scale = parent ? parent->_getDerivedScale() * mTrailNode->getScale() : mTrailNode->getScale();
    return SceneValueCheck::isInvertibleScale(scale);
}

void RibbonTrailEffect::nodeUpdated(const Ogre::Node* node)
{
    // A restart (a new element count, a far move) clears the elements and then asks the node
    // where it is, which brings a pending move here: the restart places the elements itself, and
    // the rendering engine's walk from an empty chain reads before its element list.
    const size_t chain = mTrail->getChainIndexForNode(mNode);
    const size_t count = mTrail->getNumChainElements(chain);
    if (count == 0) {
        return;
    }
    // The trail keeps its elements in its own node's space, reached by dividing by that node's
    // world scale: while the scale counts as zero the trail stays as it was.
    if (!canPlaceInTrailSpace()) {
        return;
    }
    // The rendering engine places the trail through its node's cached world transform, which the
    // scene's update may not have refreshed yet after a change above it.
    mTrailNode->_update(false, true);
    Ogre::Vector3 place = node->_getDerivedPosition();
    if (Ogre::SceneNode* trailNode = mTrail->getParentSceneNode()) {
        place = trailNode->convertWorldToLocalPosition(place);
    }
    // The engine measures from the element behind the head.
    const Ogre::Vector3 from = mTrail->getChainElement(chain, count > 1 ? 1 : 0).position;
    switch (howToFollow(from, place)) {
    case Follow::WALK:
        mTrail->nodeUpdated(node);
        break;
    case Follow::HEAD: {
        Ogre::BillboardChain::Element head = mTrail->getChainElement(chain, 0);
        head.position = place;
        mTrail->updateChainElement(chain, 0, head);
        break;
    }
    case Follow::LAY:
        layTrail(from, place, chain, node);
        break;
    case Follow::RESTART:
        restartTrail();
        break;
    }
    // The scene's update may have passed the trail's node already: its bounds are brought up to
    // date here, or this frame would cull the trail at its old place.
    mTrailNode->_update(false, true);
}

void RibbonTrailEffect::resizeChains(const std::function<void()>& resize)
{
    // The restart divides by the trail node's cached world scale, which may date from before a
    // change above it.
    mTrailNode->_update(false, true);
    const size_t chain = mTrail->getChainIndexForNode(mNode);
    const bool placed = mTrail->getNumChainElements(chain) > 0;
    const Ogre::Vector3 head = placed ? mTrail->getChainElement(chain, 0).position : Ogre::Vector3::ZERO;
    resize();
    if (canPlaceInTrailSpace()) {
        return;
    }
    // The restart divided by a scale that counts as zero. Drawn at that scale the trail is
    // nothing; it goes on from its old head once the scale is usable again. (Clearing the chain
    // would only restart it again.)
    const Ogre::BillboardChain::Element element(
        head, mTrail->getInitialWidth(chain), 0.0f, mTrail->getInitialColour(chain), mNode->_getDerivedOrientation());
    for (size_t index = 0; index < mTrail->getNumChainElements(chain); ++index) {
        mTrail->updateChainElement(chain, index, element);
    }
}

void RibbonTrailEffect::nodeDestroyed(const Ogre::Node* node)
{
    mTrail->nodeDestroyed(node);
}

float RibbonTrailEffect::getLength() const
{
    return mTrail->getTrailLength();
}

void RibbonTrailEffect::setLength(float length)
{
    requireTrailLength(length * getWorldScale().z, mTrail->getMaxChainElements());
    mLength = length;
    mTrail->setTrailLength(mLength * getWorldScale().z);
}

float RibbonTrailEffect::getInitialWidth() const
{
    return mTrail->getInitialWidth(0);
}

void RibbonTrailEffect::setInitialWidth(float width)
{
    SceneValueCheck::requireFinite(width * getWorldScale().y, "A ribbon trail's width (scale included)");
    mInitialWidth = width;
    mTrail->setInitialWidth(0, mInitialWidth * getWorldScale().y);
}

Ogre::ColourValue RibbonTrailEffect::getInitialColour() const
{
    return mTrail->getInitialColour(0);
}

void RibbonTrailEffect::setInitialColour(const Ogre::ColourValue& colour)
{
    SceneValueCheck::requireFinite(colour, "The initial colour");
    mTrail->setInitialColour(0, colour);
}

void RibbonTrailEffect::setInitialColour(float red, float green, float blue, float alpha)
{
    SceneValueCheck::requireFinite(Ogre::ColourValue(red, green, blue, alpha), "The initial colour");
    mTrail->setInitialColour(0, red, green, blue, alpha);
}

Ogre::ColourValue RibbonTrailEffect::getColourChange() const
{
    return mTrail->getColourChange(0);
}

void RibbonTrailEffect::setColourChange(const Ogre::ColourValue& change)
{
    SceneValueCheck::requireFinite(change, "The colour change");
    mTrail->setColourChange(0, change);
}

void RibbonTrailEffect::setColourChange(float red, float green, float blue, float alpha)
{
    SceneValueCheck::requireFinite(Ogre::ColourValue(red, green, blue, alpha), "The colour change");
    mTrail->setColourChange(0, red, green, blue, alpha);
}

float RibbonTrailEffect::getWidthChange() const
{
    return mTrail->getWidthChange(0);
}

void RibbonTrailEffect::setWidthChange(float change)
{
    SceneValueCheck::requireFinite(change, "The width change");
    mTrail->setWidthChange(0, change);
}

} // namespace tolva
