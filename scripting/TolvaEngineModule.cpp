#include "scripting/TolvaEngineModule.h"

#include "scripting/bindings/Bindings.h"

#include <boost/python.hpp>

// The body runs once per interpreter, on the first import. Classes are defined in a fixed order
// (a class's Python bases always come first); the comments mark where the classes that are not
// bound yet join, each in the bindings file of its engine folder.
BOOST_PYTHON_MODULE(TolvaEngine)
{
    using namespace tolva::bindings;
    boost::python::docstring_options noDocstrings(false, false, false);

    registerExceptionTranslators();

    bindSingletons(); // TolvaSingleton, GameSingleton
    bindEngine();
    bindConfigFile();
    bindGraphics(); // with the converters of the display settings
    bindAudio();    // AudioListener, Audio
    bindConnection();
    bindInputSignals(); // KeyEvent, MouseMotionEvent, MouseButtonEvent
    bindInput();
    bindScheduleListener();
    bindTime();
    bindPhysics(); // Contact, ContactListener, Physics_MassType, Physics
    bindLog();
    bindGui();
    bindGameBase();
    bindHierarchy();         // Hierarchical, Transformable
    bindGameObject();        // GameObject, RenderableObject
    bindSounds();            // Sound_Listener with its holder classes, Sound_Category, the sounds
    bindSceneObjects();      // NodeObject, TransformObject, the lights, billboards, chains and trails
    bindPhysicalBase();      // PhysicalBase_CollidableType, CollisionEvent, PhysicalBase
    bindCollisionListener(); // with its holder classes
    bindPhysicalObjects();   // SinglePhysical to Trigger
    bindMeshObjects();       // MeshObjectRenderType, MeshObject, ParticleSystem
    bindMovableObject();
    bindControlValues(); // with the converter of a modifier's controls
    bindCommand();
    bindCommandHandler();
    bindControlRegistry(); // with the converters of commands, modifiers and bindings
    bindMusic();           // FadeModule, MusicManager_Listener, MusicManager_FadeTarget, the holder classes,
                           // MusicManager
}
