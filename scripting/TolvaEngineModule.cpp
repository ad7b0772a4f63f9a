#include "scripting/TolvaEngineModule.h"

#include "scripting/bindings/Bindings.h"

#include <boost/python.hpp>

// The body runs once per interpreter, on the first import. Classes are defined in a fixed order
// (a class's Python bases always come first); the comments mark where the classes of the other
// engine folders join as they are bound.
BOOST_PYTHON_MODULE(TolvaEngine)
{
    using namespace tolva::bindings;
    boost::python::docstring_options noDocstrings(false, false, false);

    registerExceptionTranslators();

    // TolvaSingleton, GameSingleton, Engine, ConfigFile; Graphics with its converters;
    // AudioListener, Audio.
    bindConnection();
    // KeyEvent, MouseMotionEvent, MouseButtonEvent, Input.
    bindScheduleListener();
    bindTime();
    // Contact, ContactListener, Physics_MassType, Physics.
    bindLog();
    // Gui, GameBase, Hierarchical, Transformable, GameObject, RenderableObject; the sound
    // listener and its holder, the sound classes; the scene object classes;
    // PhysicalBase_CollidableType, CollisionEvent, PhysicalBase.
    bindCollisionListener();
    // The physical object classes; OccupancyEvent, Trigger; MeshObjectRenderType,
    // MeshObject, ParticleSystem, MovableObject; the control registry's value classes and the
    // converter of a modifier's controls, then GameControlRegistry_Command.
    bindCommandHandler();
    // GameControlRegistry and its converters; FadeModule, MusicManager_Listener,
    // MusicManager_FadeTarget, its holder, MusicManager.
}
