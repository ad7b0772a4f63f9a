// What a mesh object needs of the physical object that moves it, its body: the object as a child
// in the hierarchy, as something to move, and whether it has a rigid body that leads the scene
// node it hangs on. Physical objects implement it, so the scene folder needs nothing else of
// physics.
#pragma once

namespace tolva {

class Hierarchical;
class Transformable;

class MeshBody {
public:
    virtual Hierarchical& _getBodyHierarchical() = 0;
    virtual Transformable& _getBodyTransformable() = 0;
    /// True for an object with a rigid body: the node it hangs on follows the body, so a mesh
    /// passes its position and orientation setters to the body instead of the node.
    virtual bool _leadsSceneNode() const = 0;

protected:
    ~MeshBody() = default;
};

} // namespace tolva
