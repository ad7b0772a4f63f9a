// A billboard chain of the rendering engine (strips of connected camera-facing quads) shown by a
// renderable object. Built from a name it makes and owns its chain; built on a given chain it
// shows that chain and leaves it to its maker.
#pragma once

#include <OgreBillboardChain.h>
#include <OgreVector.h>

#include <functional>
#include <string>

#include "scene/RenderableObject.h"

namespace tolva {

class BillboardChainEffect : public RenderableObject {
public:
    /// Shows the chain (may be null), not owned.
    explicit BillboardChainEffect(Ogre::BillboardChain* chain);
    /// Makes and owns a chain named name. An unknown material gives a warning and leaves the
    /// chain's default material.
    /// @throws InvalidArgumentException when a billboard chain of that name exists
    BillboardChainEffect(const std::string& name, const std::string& materialName);
    /// Destroys the chain when it owns it.
    ~BillboardChainEffect() override;

    Ogre::BillboardChain* getChain() const { return mChain; }
    /// Shows another chain (see RenderableObject::setObject); does not destroy the previous one
    /// nor change whether this object owns its chain.
    void setChain(Ogre::BillboardChain* chain, bool attach);

    unsigned int getMaxElements() const;
    /// @throws InvalidArgumentException for none, or more elements in all chains than the
    /// rendering engine can index (32768)
    void setMaxElements(unsigned int elements);
    unsigned int getNumberOfChains() const;
    /// @throws InvalidArgumentException as setMaxElements
    void setNumberOfChains(unsigned int chains);
    Ogre::BillboardChain::TexCoordDirection getTexCoordDirection() const;
    void setTexCoordDirection(Ogre::BillboardChain::TexCoordDirection direction);
    /// (start, end).
    Ogre::Vector2 getOtherTextureCoordRange() const;
    void setOtherTextureCoordRange(float start, float end);

protected:
    /// Sets the material when it exists; otherwise writes "Warning: <kind> <name>: ..." and keeps
    /// the chain's default (the rendering engine would only log it).
    void setChainMaterial(const std::string& kind, const std::string& name, const std::string& materialName);
    /// Runs resize, a change of the chains' sizes, which the rendering engine follows by starting
    /// every chain afresh; a ribbon trail wraps it to keep its restarted elements drawable.
    virtual void resizeChains(const std::function<void()>& resize);

    bool mOwned;
    Ogre::BillboardChain* mChain = nullptr;
};

} // namespace tolva
