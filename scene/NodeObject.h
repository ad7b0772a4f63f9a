// A game object around a scene node that exists already (the scene's root node, for one).
#pragma once

#include "scene/GameObject.h"

namespace tolva {

class NodeObject : public GameObject {
public:
    explicit NodeObject(Ogre::SceneNode* node)
        : GameObject(node)
    {
    }
};

} // namespace tolva
