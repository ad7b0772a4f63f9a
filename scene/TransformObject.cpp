#include "scene/TransformObject.h"

#include <OgreSceneNode.h>

namespace tolva {

TransformObject::TransformObject()
{
    updateAll();
}

TransformObject::TransformObject(Ogre::SceneNode* node)
    : GameObject(node)
{
    updateAll();
}

void TransformObject::parentAttaching(Hierarchical* parent)
{
    GameObject::parentAttaching(parent);
    updateAll();
}

void TransformObject::parentDetaching()
{
    GameObject::parentDetaching();
    updateAll();
}

void TransformObject::setParent(Hierarchical* parent)
{
    GameObject::setParent(parent);
    updateAll();
}

bool TransformObject::addChild(Hierarchical* child)
{
    if (!GameObject::addChild(child)) {
        return false;
    }
    updateAll();
    return true;
}

bool TransformObject::removeChild(Hierarchical* child)
{
    if (!GameObject::removeChild(child)) {
        return false;
    }
    updateAll();
    return true;
}

void TransformObject::updateAll()
{
    mNode->_update(true, true);
    update(true, true);
}

void TransformObject::setPosition(const Ogre::Vector3& position)
{
    GameObject::setPosition(position);
    updateAll();
}

void TransformObject::translate(const Ogre::Vector3& offset)
{
    GameObject::translate(offset);
    updateAll();
}

void TransformObject::setOrientation(const Ogre::Quaternion& orientation)
{
    GameObject::setOrientation(orientation);
    updateAll();
}

void TransformObject::rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace space)
{
    GameObject::rotate(axis, degrees, space);
    updateAll();
}

void TransformObject::setScale(const Ogre::Vector3& scale)
{
    GameObject::setScale(scale);
    updateAll();
}

void TransformObject::scale(const Ogre::Vector3& factors)
{
    GameObject::scale(factors);
    updateAll();
}

} // namespace tolva
