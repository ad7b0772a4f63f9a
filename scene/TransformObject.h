// A game object that brings its whole hierarchy's world transforms up to date right after each
// of its own moves and tree changes, for code that reads world positions at once.
#pragma once

#include "scene/GameObject.h"

namespace tolva {

class TransformObject : public GameObject {
public:
    /// A new node under the scene's root node.
    TransformObject();
    /// On a given node (engines without a graphics module).
    explicit TransformObject(Ogre::SceneNode* node);

    void parentAttaching(Hierarchical* parent) override;
    void parentDetaching() override;
    void setParent(Hierarchical* parent) override;
    bool addChild(Hierarchical* child) override;
    bool removeChild(Hierarchical* child) override;
    /// The node's own update, then update(true, true).
    void updateAll() override;
    void setPosition(const Ogre::Vector3& position) override;
    void translate(const Ogre::Vector3& offset) override;
    void setOrientation(const Ogre::Quaternion& orientation) override;
    void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space) override;
    using GameObject::rotate;
    void setScale(const Ogre::Vector3& scale) override;
    void scale(const Ogre::Vector3& factors) override;
};

} // namespace tolva
